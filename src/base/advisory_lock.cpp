#include "advisory_lock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {

/// `error()` of a file that opened but is no regular file (a FIFO, a device); errno has no such value.
constexpr int kNotRegular = -1;

} // namespace

AdvisoryLock AdvisoryLock::acquire(const QString& path) {
    // O_CLOEXEC keeps the lock from leaking into programs we start; O_NOFOLLOW keeps a planted symlink from
    // making us create or lock a file elsewhere; O_NONBLOCK keeps a FIFO planted as the lock from holding
    // the start until someone writes to it.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return {path, State::cannotOpen, -1, errno};
    struct stat st {};
    if (const bool stated = ::fstat(fd, &st) == 0; !stated || !S_ISREG(st.st_mode)) {
        const int error = stated ? kNotRegular : errno;
        ::close(fd);
        return {path, State::cannotOpen, -1, error};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) return {path, State::heldElsewhere, -1};
        return {path, State::cannotOpen, -1, error};
    }
    return {path, State::held, fd};
}

QString AdvisoryLock::reason() const {
    if (m_state != State::cannotOpen) return {};
    switch (m_error) {
    case 0:
        return QStringLiteral("belum dicoba");
    case kNotRegular:
        return QStringLiteral("bukan berkas biasa");
    case ELOOP:
        return QStringLiteral("berupa tautan simbolik, yang tidak diikuti");
    case EISDIR:
        return QStringLiteral("berupa folder");
    case ENOTDIR:
        return QStringLiteral("salah satu folder di jalurnya bukan folder");
    case ENOENT:
        return QStringLiteral("foldernya tidak ada");
    case EACCES:
    case EPERM:
        return QStringLiteral("akses ditolak");
    case EROFS:
        return QStringLiteral("sistem berkas hanya-baca");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ruang disk habis");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("terlalu banyak berkas terbuka");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("berkas perangkat, bukan berkas biasa");
    default:
        // Rare enough that the system's own number and words serve better than a guess.
        return QStringLiteral("galat sistem %1 (%2)")
            .arg(m_error)
            .arg(QString::fromLocal8Bit(std::strerror(m_error)));
    }
}

AdvisoryLock::~AdvisoryLock() {
    release();
}

AdvisoryLock::AdvisoryLock(AdvisoryLock&& other) noexcept
    : m_path(std::move(other.m_path)), m_state(other.m_state), m_fd(std::exchange(other.m_fd, -1)),
      m_error(other.m_error) {
    other.m_state = State::cannotOpen;
}

AdvisoryLock& AdvisoryLock::operator=(AdvisoryLock&& other) noexcept {
    if (this != &other) {
        release();
        m_path = std::move(other.m_path);
        m_state = std::exchange(other.m_state, State::cannotOpen);
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
    }
    return *this;
}

void AdvisoryLock::release() {
    if (m_fd < 0) return;
    ::close(m_fd); // closing the last descriptor releases the lock
    m_fd = -1;
}

} // namespace lumora
