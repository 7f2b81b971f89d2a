#include "files.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora::files {

ReadResult readBounded(const QString& path, qint64 maxBytes) {
    using Status = ReadResult::Status;
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer before fstat could refuse it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {errno == ENOENT || errno == ENOTDIR ? Status::missing : Status::failed, {}};
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {Status::failed, {}};
    if (!S_ISREG(st.st_mode)) return {Status::notRegular, {}};
    if (st.st_size > maxBytes) return {Status::tooLarge, {}};

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
        if (bytes.size() + n > maxBytes) return {Status::tooLarge, {}};
        bytes.append(buffer, n);
    }
    return {Status::ok, std::move(bytes)};
}

bool replaceAtomically(const QString& path, const QByteArray& bytes) {
    // QSaveFile writes a temporary file in the same folder, syncs it and renames it over the old one.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

} // namespace lumora::files
