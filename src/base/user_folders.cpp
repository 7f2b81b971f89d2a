#include "user_folders.h"

#include "base/base_log.h"
#include "base/files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <cstdio>
#include <utility>

namespace lumora {

namespace {

using Outcome = DataFolderMove::Outcome;

DataFolderMove failed(const QString& legacy, const QString& problem) {
    return {Outcome::failed, legacy, problem};
}

/// Copies `from` over `to` keeping its modification time; true when `to` then holds it.
bool copyKeepingTime(const QString& from, const QString& to) {
    const files::ReadResult read = files::readBounded(from);
    if (!read) return false;
    if (!files::replaceAtomically(to, read.bytes)) return false;
    QFile copy(to);
    return copy.open(QIODevice::ReadWrite) &&
           copy.setFileTime(QFileInfo(from).lastModified(), QFileDevice::FileModificationTime);
}

DataFolderMove merge(const QString& legacy, const QString& folder) {
    const QDir old(legacy);
    const QFileInfoList entries = old.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().endsWith(QLatin1String(".lock"))) continue;
        const QFileInfo target(folder + u'/' + entry.fileName());
        // What this version wrote since is as new or newer; an older copy gives way to the old folder's.
        if (target.exists() && target.lastModified() >= entry.lastModified()) continue;
        if (!copyKeepingTime(entry.filePath(), target.filePath()))
            return failed(legacy, QStringLiteral("cannot copy %1 to %2").arg(entry.fileName(), folder));
    }
    for (const QFileInfo& entry : entries)
        QFile::remove(entry.filePath());
    // Left in place when something we do not know of is still inside.
    QDir().rmdir(legacy);
    return {Outcome::merged, folder, {}};
}

} // namespace

DataFolderMove moveDataFolder(const QString& legacy, const QString& folder) {
    if (!QFileInfo(legacy).isDir()) {
        files::makePrivateFolder(folder); // a failure shows later as files that do not read or write
        return {Outcome::nothingToMove, folder, {}};
    }
    const QFileInfo target(folder);
    if (!target.exists() && !target.isSymLink()) {
        QDir().mkpath(target.absolutePath());
        if (std::rename(QFile::encodeName(legacy).constData(), QFile::encodeName(folder).constData()) == 0)
            return {Outcome::moved, folder, {}};
        return failed(legacy, QStringLiteral("cannot rename %1 to %2: %3")
                                  .arg(legacy, folder, QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (!target.isDir()) return failed(legacy, QStringLiteral("%1 is not a folder").arg(folder));
    return merge(legacy, folder);
}

QString UserFolders::dataHome() {
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return home.isEmpty() ? QDir::tempPath() : home;
}

QString UserFolders::dataLocation() {
    return dataHome() + QStringLiteral("/lumora");
}

QString UserFolders::legacyDataLocation() {
    return dataHome() + QStringLiteral("/LumoraMac");
}

QString UserFolders::settingsLocation() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumora/lumora.conf");
}

QString UserFolders::autostartLocation() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

UserFolders UserFolders::resolve() {
    const DataFolderMove move = moveDataFolder(legacyDataLocation(), dataLocation());
    // A program may resolve more than once (the lock before the rest); a failure is told once.
    static bool told = false;
    if (std::exchange(told, true)) return {move.folder, settingsLocation()};
    switch (move.outcome) {
    case Outcome::nothingToMove:
        break;
    case Outcome::moved:
    case Outcome::merged:
        qCInfo(baseLog).noquote() << "data folder moved from" << legacyDataLocation() << "to" << move.folder;
        break;
    case Outcome::failed:
        qCWarning(baseLog).noquote() << "data folder not moved, still using" << move.folder << "-"
                                     << move.problem;
        break;
    }
    return {move.folder, settingsLocation()};
}

} // namespace lumora
