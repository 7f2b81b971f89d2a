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

Listener::Listener(QDBusConnection bus, QObject* parent, const QString& kind) : QObject(parent), m_kind(kind) {
    // Any sender: the app has no well-known bus name. The bus itself compares the argument with the kind, so a
    // flood of signals for other kinds, or with long strings, never wakes this process.
    m_listening = bus.isConnected() &&
                  bus.connect(QString(), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                              QString::fromLatin1(kMember), QStringList{m_kind}, QString(), this,
                              SLOT(onSignal(QString)));
}

void Listener::onSignal(const QString& kind) {
    // Checked again here: another match on the same connection may let other signals through.
    if (kind == m_kind) Q_EMIT reloadRequested(kind);
}

} // namespace lumora::WidgetReload
