#pragma once

// moc 6.4 cannot parse libstdc++'s <compare>, which instant.h pulls in; moc needs nothing from it.
#ifndef Q_MOC_RUN
#include "model/instant.h"
#endif

#include <QString>

#include <memory>
#include <optional>

namespace lumora {

enum class NotificationSound { takbir, standard, none };

/// "takbir", "default" or "none".
QString soundName(NotificationSound sound);

/// A one-time trigger at a calendar minute, in the shared calendar and zone (seconds are not part of it).
struct NotificationTrigger {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;

    bool operator==(const NotificationTrigger&) const = default;
    /// The minute holding `t`.
    static NotificationTrigger at(Instant t);
    /// The instant the minute begins; none for fields that name no minute.
    std::optional<Instant> instant() const;
};

struct NotificationRequest {
    QString identifier;
    QString title;
    QString body;
    NotificationSound sound = NotificationSound::none;
    NotificationTrigger trigger;

    bool operator==(const NotificationRequest&) const = default;
};

/// Shows one notification to the user. The desktop implementation posts it over D-Bus; tests record it.
class NotificationBackend {
public:
    virtual ~NotificationBackend() = default;
    /// Whether the notification service can be reached at all.
    virtual bool isAvailable() const = 0;
    /// Fire and forget: errors are not reported.
    virtual void deliver(const NotificationRequest& request) = 0;
};

/// The desktop's backend: org.freedesktop.Notifications on the session bus, handing over the takbir sound
/// file when there is one and playing it in-process for servers that play no sounds.
std::unique_ptr<NotificationBackend> makeDesktopNotificationBackend(std::optional<QString> takbirSound);

} // namespace lumora
