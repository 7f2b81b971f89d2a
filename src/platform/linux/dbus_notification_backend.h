#pragma once

#include "platform/notification_backend.h"
#include "platform/sound_player.h"

#include <QDBusConnection>
#include <QObject>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

namespace lumora {

/// Posts notifications to the desktop's org.freedesktop.Notifications server.
///
/// Each request becomes one Notify call: app name "Lumora", icon "lumora", the title as summary, the body
/// (markup-escaped when the server reads markup), the hint desktop-entry "id.lumora.Lumora" (the installed
/// entry's name), and for the sound `sound-file` (takbir), `sound-name` "message-new-instant" (default) or
/// `suppress-sound` (none). When the server does not list the "sound" capability, the takbir sound is played
/// in-process instead.
class DbusNotificationBackend final : public QObject, public NotificationBackend {
    Q_OBJECT
public:
    static constexpr auto kService = "org.freedesktop.Notifications";
    static constexpr auto kPath = "/org/freedesktop/Notifications";
    static constexpr auto kInterface = "org.freedesktop.Notifications";

    /// `takbirSound` is the file handed to the server; without one, takbir requests use the default sound.
    DbusNotificationBackend(QDBusConnection bus, std::optional<QString> takbirSound,
                            std::unique_ptr<SoundPlayer> player, QObject* parent = nullptr);
    ~DbusNotificationBackend() override;

    /// The bus is connected.
    bool isAvailable() const override;
    void deliver(const NotificationRequest& request) override;

    /// Posts one request and waits for the server: its notification id, or none when there was no answer.
    QCoro::Task<std::optional<uint>> post(NotificationRequest request);

private:
    QDBusConnection m_bus;
    std::optional<QString> m_takbirSound;
    std::unique_ptr<SoundPlayer> m_player;
};

} // namespace lumora
