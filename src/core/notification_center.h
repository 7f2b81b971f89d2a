#pragma once

#include "platform/notification_backend.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

namespace lumora {

/// The pending-request scheduler: requests wait by identifier and are handed to the backend when their
/// calendar minute begins, by the clock given at construction. A request whose whole minute went by unseen
/// (the machine slept, or the clock jumped over it) is dropped rather than delivered late.
///
/// One timer is armed for the earliest request. It never sleeps longer than `kMaxSleep` before asking the
/// clock again, because Qt timers run on the monotonic clock: a wall-clock change, or a suspend, would
/// otherwise go unnoticed until the timer ran out. Call `clockChanged()` after a detected jump or a resume
/// to re-check at once.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kMaxSleep{60'000};

    /// `enabled` false (AppConfig::notificationsEnabled) makes the centre unavailable.
    NotificationCenter(const Clock& clock, std::unique_ptr<NotificationBackend> backend, bool enabled = true,
                       QObject* parent = nullptr);
    ~NotificationCenter() override;

    /// Stands in for "running as an application bundle": the backend can reach its service and notifications
    /// are not switched off. When false, callers leave the centre alone.
    bool isAvailable() const;

    /// Replaces a pending request with the same identifier. A request whose minute has already begun is not
    /// kept: like a one-time calendar trigger for a past moment, it never fires.
    void add(const NotificationRequest& request);
    void removeAllPending();
    /// In the order they were added.
    QList<NotificationRequest> pendingRequests() const;

    /// Delivers what has come due, drops what was missed, and re-arms the timer.
    void clockChanged();

    /// The interval the timer was last started with; none while nothing is pending.
    std::optional<std::chrono::milliseconds> armedDelay() const { return m_armedDelay; }
    NotificationBackend& backend() { return *m_backend; }

private:
    struct Entry {
        NotificationRequest request;
        Instant fireAt;
    };

    void check();
    void arm();
    std::optional<std::chrono::milliseconds> nextDelay() const;

    const Clock& m_clock;
    std::unique_ptr<NotificationBackend> m_backend;
    bool m_enabled;
    QList<Entry> m_pending;
    QTimer m_timer;
    std::optional<std::chrono::milliseconds> m_armedDelay;
};

} // namespace lumora
