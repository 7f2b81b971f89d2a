#pragma once

#include <QString>

namespace lumora {

/// An advisory lock (flock) on an owner-only file, held for the life of the object; the kernel drops it when
/// the process ends, however it ends. One per program kind and user: the app's "lumora.lock" and the widget
/// host's "lumora-widget.lock" in the data folder.
class AdvisoryLock {
public:
    enum class State {
        held,
        heldElsewhere, ///< another process holds it
        cannotOpen,    ///< the file cannot be opened or made, or is not a regular file
    };

    /// Tries once, without waiting; the file is made (0600) if missing. A symlink is not followed, and
    /// nothing but a regular file is locked (a FIFO is opened without waiting for a writer, then refused).
    static AdvisoryLock acquire(const QString& path);

    AdvisoryLock() = default;
    ~AdvisoryLock();
    AdvisoryLock(AdvisoryLock&& other) noexcept;
    AdvisoryLock& operator=(AdvisoryLock&& other) noexcept;
    AdvisoryLock(const AdvisoryLock&) = delete;
    AdvisoryLock& operator=(const AdvisoryLock&) = delete;

    State state() const { return m_state; }
    bool isHeld() const { return m_state == State::held; }
    QString path() const { return m_path; }
    /// Why the file could not be opened or locked: an errno value, or -1 for a file that is not a regular
    /// one; 0 unless `cannotOpen`.
    int error() const { return m_error; }
    /// `error` in a few Indonesian words for a message ("bukan berkas biasa"); empty unless `cannotOpen`.
    QString reason() const;
    /// The open file while held, else -1.
    int fileDescriptor() const { return m_fd; }

private:
    AdvisoryLock(QString path, State state, int fd, int error = 0)
        : m_path(std::move(path)), m_state(state), m_fd(fd), m_error(error) {}
    void release();

    QString m_path;
    State m_state = State::cannotOpen;
    int m_fd = -1;
    int m_error = 0;
};

} // namespace lumora
