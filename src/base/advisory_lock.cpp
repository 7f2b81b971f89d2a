#include "advisory_lock.h"

#include <QFile>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

AdvisoryLock AdvisoryLock::acquire(const QString& path) {
    // O_CLOEXEC keeps the lock from leaking into programs we start; O_NOFOLLOW keeps a planted symlink from
    // making us create or lock a file elsewhere.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return {path, State::cannotOpen, -1};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {path, State::cannotOpen, -1};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const State state = errno == EWOULDBLOCK ? State::heldElsewhere : State::cannotOpen;
        ::close(fd);
        return {path, state, -1};
    }
    return {path, State::held, fd};
}

AdvisoryLock::~AdvisoryLock() {
    release();
}

AdvisoryLock::AdvisoryLock(AdvisoryLock&& other) noexcept
    : m_path(std::move(other.m_path)), m_state(other.m_state), m_fd(std::exchange(other.m_fd, -1)) {
    other.m_state = State::cannotOpen;
}

AdvisoryLock& AdvisoryLock::operator=(AdvisoryLock&& other) noexcept {
    if (this != &other) {
        release();
        m_path = std::move(other.m_path);
        m_state = std::exchange(other.m_state, State::cannotOpen);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void AdvisoryLock::release() {
    if (m_fd < 0) return;
    ::close(m_fd); // closing the last descriptor releases the lock
    m_fd = -1;
}

} // namespace lumora
