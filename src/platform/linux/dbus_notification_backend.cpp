#include "dbus_notification_backend.h"

#include "platform/platform_log.h"

#include "model/app_identity.h"

#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <qcoro/qcorodbuspendingreply.h>

namespace lumora {

namespace {
// A server that hangs must not keep coroutines alive for the default 25 seconds each.
constexpr int kCallTimeoutMs = 5000;
} // namespace

DbusNotificationBackend::DbusNotificationBackend(QDBusConnection bus, std::optional<QString> takbirSound,
                                                 std::unique_ptr<SoundPlayer> player, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_takbirSound(std::move(takbirSound)),
      m_player(std::move(player)) {}

DbusNotificationBackend::~DbusNotificationBackend() = default;

bool DbusNotificationBackend::isAvailable() const {
    return m_bus.isConnected();
}

void DbusNotificationBackend::deliver(const NotificationRequest& request) {
    // The task runs on by itself; nothing waits for the server's answer.
    post(request);
}

QCoro::Task<std::optional<uint>> DbusNotificationBackend::post(NotificationRequest request) {
    const QPointer<DbusNotificationBackend> self(this);
    QDBusConnection bus = m_bus;

    const QDBusPendingReply<QStringList> capsReply = co_await QDBusPendingReply<QStringList>(bus.asyncCall(
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities")),
        kCallTimeoutMs));
    if (!self) co_return std::nullopt;
    const bool answered = capsReply.isValid();
    if (!answered)
        qCWarning(platformLog).noquote()
            << "notification server: GetCapabilities failed:" << capsReply.error().message();
    const QStringList caps = answered ? capsReply.value() : QStringList{};

    QVariantMap hints{{QStringLiteral("desktop-entry"), QString::fromLatin1(AppIdentity::kDesktopEntry)}};
    bool playHere = false;
    NotificationSound sound = request.sound;
    if (sound == NotificationSound::takbir && !m_takbirSound) sound = NotificationSound::standard;
    switch (sound) {
    case NotificationSound::takbir:
        hints.insert(QStringLiteral("sound-file"), *m_takbirSound);
        playHere = answered && !caps.contains(QStringLiteral("sound"));
        break;
    case NotificationSound::standard:
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
        break;
    case NotificationSound::none:
        hints.insert(QStringLiteral("suppress-sound"), true);
        break;
    }

    // Servers with body markup read "&" and "<" as markup; a city name must not break the notification.
    const QString body =
        caps.contains(QStringLiteral("body-markup")) ? request.body.toHtmlEscaped() : request.body;

    QDBusMessage notify =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    notify << QStringLiteral("Lumora") << uint(0) << QStringLiteral("lumora") << request.title << body
           << QStringList{} << hints << -1;
    if (playHere && m_player) m_player->play(*m_takbirSound);

    qCDebug(platformLog).noquote() << "notification posted:" << request.identifier << "sound"
                                   << soundName(sound) << (playHere ? "(played here)" : "");
    const QDBusPendingReply<uint> reply =
        co_await QDBusPendingReply<uint>(bus.asyncCall(notify, kCallTimeoutMs));
    if (!reply.isValid()) {
        qCWarning(platformLog).noquote() << "notification server: Notify failed:" << reply.error().message();
        co_return std::nullopt;
    }
    qCDebug(platformLog) << "notification shown with id" << reply.value();
    co_return reply.value();
}

std::unique_ptr<NotificationBackend> makeDesktopNotificationBackend(std::optional<QString> takbirSound) {
    return std::make_unique<DbusNotificationBackend>(QDBusConnection::sessionBus(), std::move(takbirSound),
                                                     makeSoundPlayer());
}

} // namespace lumora
