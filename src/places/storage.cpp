#include "storage.h"

#include "base/files.h"
#include "places/places_log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lumora::storage {

void ensureFolder(const QString& path) {
    QDir().mkpath(path);
}

void ensurePrivateFolder(const QString& path) {
    files::makePrivateFolder(path);
}

std::optional<QByteArray> readFile(const QString& path, files::Kind kind) {
    const files::ReadResult read = files::readBounded(path, kind);
    // Absence is ordinary; a pipe, a device or a huge file where ours should be is worth a line.
    if (read.status != files::ReadResult::Status::ok && read.status != files::ReadResult::Status::missing)
        qCWarning(placesLog).noquote() << "not read:" << path << "-" << files::describe(read.status);
    return read.value();
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes) {
    return files::replaceAtomically(path, bytes);
}

void removeFile(const QString& path) {
    QFile::remove(path);
}

std::optional<Instant> modificationTime(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    const QDateTime t = info.lastModified();
    if (!t.isValid()) return std::nullopt;
    return Instant::fromUnixMillis(static_cast<double>(t.toMSecsSinceEpoch()));
}

} // namespace lumora::storage
