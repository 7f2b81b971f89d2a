#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumora {

/// How the user's files are read and replaced; every stored file goes through these two.
namespace files {

/// What a bounded read found.
struct ReadResult {
    enum class Status {
        ok,
        missing,    ///< nothing at the path
        notRegular, ///< a folder, a pipe, a device: never opened for reading
        tooLarge,   ///< larger than the cap; nothing was read
        failed,     ///< opened but not read whole
    };
    Status status = Status::missing;
    QByteArray bytes; ///< the whole file when `ok`, else empty

    bool ok() const { return status == Status::ok; }
    explicit operator bool() const { return ok(); }
    /// The bytes when `ok`, else none.
    std::optional<QByteArray> value() const { return ok() ? std::optional(bytes) : std::nullopt; }
};

/// A cap that fits every file of ours with room to spare (month files and the catalogue are tens of kB).
inline constexpr qint64 kDefaultMaxBytes = 16 * 1024 * 1024;

/// The whole of the regular file at `path` when it holds at most `maxBytes`; a file that grows past the cap
/// while it is read counts as too large.
ReadResult readBounded(const QString& path, qint64 maxBytes = kDefaultMaxBytes);

/// Replaces the file whole through a temporary file beside it and a rename, so a reader sees the old or the
/// new content, never a mixture. False when nothing was replaced; the old file then stays as it was.
bool replaceAtomically(const QString& path, const QByteArray& bytes);

} // namespace files

} // namespace lumora
