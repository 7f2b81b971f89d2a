#pragma once

#include "base/files.h"
#include "base/settings.h"
#include "model/instant.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumora {

/// File primitives every stored file goes through (over `files` in base). No failure is reported: a read
/// that fails is absence, a write or delete that fails is dropped.
namespace storage {

/// Creates `path` with its parents; an existing folder is fine and a failure is ignored.
void ensureFolder(const QString& path);
/// Creates `path` owner-only (0700) with its parents; an existing folder is left as it is.
void ensurePrivateFolder(const QString& path);
/// The whole regular file, at most `files::maxBytes(kind)`; anything else (a pipe, a device, a larger file)
/// is logged and read as absent.
std::optional<QByteArray> readFile(const QString& path, files::Kind kind = files::Kind::other);
/// Replaces the file whole: a reader sees the old or the new content, never a mixture.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);
void removeFile(const QString& path);
std::optional<Instant> modificationTime(const QString& path);

} // namespace storage

} // namespace lumora
