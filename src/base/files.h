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
        notRegular, ///< a folder, a pipe, a device: never read
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

/// A few words for the log: "not a regular file".
QString describe(ReadResult::Status status);

/// The kinds of file we read, each with its own cap.
enum class Kind {
    month,     ///< a month file: 31 days of six times are a few kB
    catalogue, ///< the city catalogue: some 500 cities in tens of kB
    snapshot,  ///< the widget snapshot: two days and a few texts
    settings,  ///< the INI settings file
    other,     ///< anything else of ours (the autostart entry, a shipped month)
};

/// A cap that fits every file of ours with room to spare.
inline constexpr qint64 kDefaultMaxBytes = 16 * 1024 * 1024;

/// The largest file of `kind` that is read; anything past it is not ours. The caps leave room for growth
/// many times over and still keep a hostile file's cost to a few MiB.
constexpr qint64 maxBytes(Kind kind) {
    switch (kind) {
    case Kind::month:
        return 1024 * 1024;
    case Kind::catalogue:
        return 8 * 1024 * 1024;
    case Kind::snapshot:
        return 256 * 1024;
    case Kind::settings:
        return 64 * 1024;
    case Kind::other:
        break;
    }
    return kDefaultMaxBytes;
}

/// The whole of the regular file at `path` when it holds at most `maxBytes`; a file that grows past the cap
/// while it is read counts as too large. Never waits: a pipe or a device is refused before it is read.
ReadResult readBounded(const QString& path, qint64 maxBytes = kDefaultMaxBytes);
/// The same with the cap of `kind`.
ReadResult readBounded(const QString& path, Kind kind);

/// Whether `path` may be handed to a reader that opens it itself (QSettings): missing, or a regular file of
/// at most `maxBytes`. Never opens the file.
ReadResult::Status probe(const QString& path, qint64 maxBytes);

/// Replaces the entry at `path` whole through a new temporary file beside it and a rename, so a reader sees
/// the old or the new content, never a mixture. A symlink at `path` is replaced itself; its target is never
/// written. Every write, the sync and the close are checked: false when anything failed, and then the old
/// file stays as it was and no temporary file is left (errno tells why).
bool replaceAtomically(const QString& path, const QByteArray& bytes);

/// Makes `path` (owner-only, 0700) and its parents when it does not exist; an existing folder is left as it
/// is. True when `path` is a folder afterwards.
bool makePrivateFolder(const QString& path);

} // namespace files

} // namespace lumora
