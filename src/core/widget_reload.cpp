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

} // namespace lumora::WidgetReload
