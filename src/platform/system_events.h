#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace lumora {

/// What the system says about the machine while the app runs: waking from sleep and time-zone changes.
class SystemEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    /// The machine woke from sleep or hibernation.
    void didWake();
    /// The system's time zone is now `zoneId` (an IANA identifier such as "Asia/Jayapura").
    void timeZoneChanged(const QString& zoneId);
};

/// The desktop's events: logind's PrepareForSleep(false) and timedated's Timezone on the system bus, and a
/// replaced /etc/localtime. Without a system bus only the file is watched.
std::unique_ptr<SystemEvents> makeSystemEvents(QObject* parent = nullptr);

} // namespace lumora
