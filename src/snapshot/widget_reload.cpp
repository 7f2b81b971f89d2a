#include "widget_reload.h"

#include "snapshot/snapshot_log.h"

#include <QDBusMessage>

namespace lumora::WidgetReload {

bool reloadTimelines(const QString& kind, QDBusConnection bus) {
    if (!bus.isConnected()) {
        qCDebug(snapshotLog) << "no session bus: reload signal not sent";
        return false;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kPath), QString::fromLatin1(kInterface), QString::fromLatin1(kMember));
    signal << kind;
    const bool sent = bus.send(signal);
    qCDebug(snapshotLog).noquote() << "reload signal for" << kind << (sent ? "sent" : "not sent");
    return sent;
}

Listener::Listener(QDBusConnection bus, QObject* parent) : QObject(parent) {
    // Any sender: the app has no well-known bus name, and a kind nobody draws is harmless.
    m_listening = bus.isConnected() &&
                  bus.connect(QString(), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                              QString::fromLatin1(kMember), this, SLOT(onSignal(QString)));
}

void Listener::onSignal(const QString& kind) {
    Q_EMIT reloadRequested(kind);
}

} // namespace lumora::WidgetReload
