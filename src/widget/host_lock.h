#pragma once

#include <QString>

#include <memory>

namespace lumora {

/// An advisory lock (flock) held for the life of the object; one widget host per user.
class HostLock {
public:
    /// The lock on `path` (created if missing), or none when another process holds it (`heldElsewhere` is
    /// then set) or the file cannot be opened.
    static std::unique_ptr<HostLock> acquire(const QString& path, bool* heldElsewhere = nullptr);
    ~HostLock();
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

private:
    explicit HostLock(int fd) : m_fd(fd) {}
    int m_fd;
};

} // namespace lumora
