#include "files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora::files {

namespace {

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

ReadResult::Status statusOf(const struct stat& st, qint64 maxBytes) {
    using Status = ReadResult::Status;
    if (!S_ISREG(st.st_mode)) return Status::notRegular;
    if (st.st_size > maxBytes) return Status::tooLarge;
    return Status::ok;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) { // a device that takes nothing: report it rather than spin
            errno = EIO;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

/// A new file beside `path` that nobody else can have made or pointed anywhere; -1 when none can be made.
int createTemporary(const QString& path, QByteArray* tempName) {
    const QFileInfo info(path);
    const QByteArray stem = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName());
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray name =
            stem + ".tmp-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            *tempName = name;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

/// Makes a rename survive a crash; a folder that cannot be synced costs only that.
void syncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

QString describe(ReadResult::Status status) {
    using Status = ReadResult::Status;
    switch (status) {
    case Status::ok:
        return QStringLiteral("read");
    case Status::missing:
        return QStringLiteral("missing");
    case Status::notRegular:
        return QStringLiteral("not a regular file");
    case Status::tooLarge:
        return QStringLiteral("too large");
    case Status::failed:
        break;
    }
    return QStringLiteral("unreadable");
}

ReadResult readBounded(const QString& path, Kind kind) {
    return readBounded(path, maxBytes(kind));
}

ReadResult readBounded(const QString& path, qint64 maxBytes) {
    using Status = ReadResult::Status;
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer before fstat could refuse it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {errno == ENOENT || errno == ENOTDIR ? Status::missing : Status::failed, {}};
    const FdCloser closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {Status::failed, {}};
    if (const Status s = statusOf(st, maxBytes); s != Status::ok) return {s, {}};

    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {Status::failed, {}};
        }
        if (n == 0) break;
        // The size fstat gave is only a hint: the file may grow while it is read.
        if (bytes.size() + n > maxBytes) return {Status::tooLarge, {}};
        bytes.append(buffer, n);
    }
    return {Status::ok, std::move(bytes)};
}

ReadResult::Status probe(const QString& path, qint64 maxBytes) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Status::missing : ReadResult::Status::failed;
    return statusOf(st, maxBytes);
}

bool replaceAtomically(const QString& path, const QByteArray& bytes) {
    QByteArray temp;
    const int fd = createTemporary(path, &temp);
    if (fd < 0) return false;
    // A full disk shows in write, in fsync or only in close (network file systems): each one counts.
    bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    // rename() replaces the entry itself: a symlink at `path` gives way and its target is never touched.
    if (written && ::rename(temp.constData(), QFile::encodeName(path).constData()) == 0) {
        syncFolder(path);
        return true;
    }
    if (written) savedErrno = errno;
    ::unlink(temp.constData());
    errno = savedErrno;
    return false;
}

bool makePrivateFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) return true;
    if (info.exists() || info.isSymLink()) return false;
    QDir().mkpath(info.absolutePath());
    if (::mkdir(QFile::encodeName(path).constData(), 0700) == 0) return true;
    return QFileInfo(path).isDir(); // made by another process meanwhile
}

} // namespace lumora::files
