#include "widget_reload.h"

#include <QDBusMessage>

namespace lumora::WidgetReload {

bool reloadTimelines(const QString& kind, QDBusConnection bus) {
    if (!bus.isConnected()) return false;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kPath), QString::fromLatin1(kInterface), QString::fromLatin1(kMember));
    signal << kind;
    return bus.send(signal);
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
