#include "storage.h"

#include "base/files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lumora::storage {

void ensureFolder(const QString& path) {
    QDir().mkpath(path);
}

std::optional<QByteArray> readFile(const QString& path) {
    return files::readBounded(path).value();
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
