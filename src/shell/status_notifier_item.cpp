#include "shell/status_notifier_item.h"

#include "shell/dbus_menu_exporter.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace lumora {

StatusNotifierItem::StatusNotifierItem(TrayMenu* menu, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)),
      m_serviceName(
          QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid())),
      m_menuExporter(new DBusMenuExporter(menu, this)) {
    registerTrayDBusTypes();
    if (!m_bus.isConnected()) return;
    m_exported = m_menuExporter->registerOn(m_bus, QString::fromLatin1(menuPath)) &&
                 m_bus.registerObject(QString::fromLatin1(itemPath), this,
                                      QDBusConnection::ExportScriptableSlots |
                                          QDBusConnection::ExportScriptableSignals |
                                          QDBusConnection::ExportAllProperties) &&
                 m_bus.registerService(m_serviceName);
    if (!m_exported) return;
    m_watcherWatch = new QDBusServiceWatcher(QString::fromLatin1(watcherService), m_bus,
                                             QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcherWatch, &QDBusServiceWatcher::serviceRegistered, this,
            &StatusNotifierItem::registerWithWatcher);
    registerWithWatcher();
}

StatusNotifierItem::~StatusNotifierItem() {
    if (!m_exported) return;
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(QString::fromLatin1(itemPath));
    m_bus.unregisterObject(QString::fromLatin1(menuPath));
}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(watcherService), QStringLiteral("/StatusNotifierWatcher"),
        QString::fromLatin1(watcherService), QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        // No watcher yet is normal (the panel starts later); the service watcher retries when one appears.
        if (!done->isError()) Q_EMIT registeredWithWatcher();
    });
}

SniToolTip StatusNotifierItem::toolTip() const {
    return SniToolTip{QString(), {}, title(), m_toolTip};
}

void StatusNotifierItem::setLabel(const QString& label, const QString& guide) {
    if (label == m_label && guide == m_guide) return;
    m_label = label;
    m_guide = guide;
    Q_EMIT XAyatanaNewLabel(m_label, m_guide);
    // Some hosts re-read the label only when told the title changed.
    Q_EMIT NewTitle();
}

void StatusNotifierItem::setIconPixmap(const SniPixmapList& pixmaps) {
    if (pixmaps == m_pixmaps) return;
    m_pixmaps = pixmaps;
    Q_EMIT NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& text, bool announce) {
    if (text == m_toolTip) return;
    m_toolTip = text;
    if (announce) Q_EMIT NewToolTip();
}

void StatusNotifierItem::Activate(int, int) {
    Q_EMIT activated();
}

void StatusNotifierItem::SecondaryActivate(int, int) {
    Q_EMIT activated();
}

// The host draws the menu from /MenuBar itself; there is no menu of our own to pop up.
void StatusNotifierItem::ContextMenu(int, int) {}

void StatusNotifierItem::Scroll(int, const QString&) {}

void StatusNotifierItem::ProvideXdgActivationToken(const QString&) {}

} // namespace lumora
