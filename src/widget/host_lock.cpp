#include "host_lock.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace lumora {

std::unique_ptr<HostLock> HostLock::acquire(const QString& path, bool* heldElsewhere) {
    if (heldElsewhere) *heldElsewhere = false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (heldElsewhere) *heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<HostLock>(new HostLock(fd));
}

HostLock::~HostLock() {
    ::close(m_fd); // closing releases the lock
}

} // namespace lumora
