#include "single_instance_lock.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace lumora {

SingleInstanceLock::SingleInstanceLock(const QString& folder)
    : m_lockPath(folder + QStringLiteral("/lumora.lock")) {
    QDir().mkpath(folder);
}

SingleInstanceLock::~SingleInstanceLock() {
    if (m_fileDescriptor >= 0) {
        flock(m_fileDescriptor, LOCK_UN);
        close(m_fileDescriptor);
        m_fileDescriptor = -1;
    }
}

bool SingleInstanceLock::acquire() {
    if (m_fileDescriptor >= 0) return true;
    // O_CLOEXEC keeps the lock from leaking into programs the app starts.
    const int fd = open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_fileDescriptor = fd;
    return true;
}

} // namespace lumora
