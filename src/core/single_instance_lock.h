#pragma once

#include "base/advisory_lock.h"

#include <QString>

namespace lumora {

/// The advisory lock that keeps one copy of the app running per user: "lumora.lock" in the data folder,
/// held for the life of the process. The kernel drops it when the process ends, however it ends.
class SingleInstanceLock {
public:
    /// Creates the lock's folder (a failure shows later as a failed `acquire`).
    explicit SingleInstanceLock(const QString& folder);
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    /// True when this process holds the lock; a second call returns true without opening the file again.
    /// On false, `state` tells another copy's lock from a file that cannot be opened at all.
    bool acquire();
    AdvisoryLock::State state() const { return m_lock.state(); }
    /// Why the lock file cannot be opened, in a few Indonesian words; empty unless it cannot.
    QString reason() const { return m_lock.reason(); }
    QString lockPath() const { return m_lockPath; }
    int fileDescriptor() const { return m_lock.fileDescriptor(); }

private:
    QString m_lockPath;
    AdvisoryLock m_lock;
};

} // namespace lumora
