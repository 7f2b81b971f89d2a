#pragma once

// Kept free of the model's headers: moc reads this file.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

namespace lumora::test {

/// A StatusNotifierWatcher on its own connection, recording every registration; it can be restarted.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    explicit FakeWatcher(QDBusConnection bus) : m_bus(std::move(bus)) {}
    ~FakeWatcher() override { stop(); }

    QStringList registered;

    bool start() {
        return m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                    QDBusConnection::ExportAllSlots) &&
               m_bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    void stop() {
        m_bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        m_bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { registered.append(service); }

private:
    QDBusConnection m_bus;
};

/// Records the item's change signals as a host receives them.
class SniSignalRecorder : public QObject {
    Q_OBJECT
public:
    QList<QStringList> labels;
    int titles = 0;
    int icons = 0;
    int toolTips = 0;
    int menuUpdates = 0;

    void listen(QDBusConnection bus, const QString& service) {
        const QString path = QStringLiteral("/StatusNotifierItem");
        const QString iface = QStringLiteral("org.kde.StatusNotifierItem");
        bus.connect(service, path, iface, QStringLiteral("XAyatanaNewLabel"), this,
                    SLOT(onLabel(QString, QString)));
        bus.connect(service, path, iface, QStringLiteral("NewTitle"), this, SLOT(onTitle()));
        bus.connect(service, path, iface, QStringLiteral("NewIcon"), this, SLOT(onIcon()));
        bus.connect(service, path, iface, QStringLiteral("NewToolTip"), this, SLOT(onToolTip()));
        bus.connect(service, QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
                    QStringLiteral("ItemsPropertiesUpdated"), this, SLOT(onMenuUpdate(QDBusMessage)));
    }
    void reset() {
        labels.clear();
        titles = icons = toolTips = menuUpdates = 0;
    }

public Q_SLOTS:
    void onLabel(const QString& label, const QString& guide) { labels.append({label, guide}); }
    void onTitle() { ++titles; }
    void onIcon() { ++icons; }
    void onToolTip() { ++toolTips; }
    void onMenuUpdate(const QDBusMessage&) { ++menuUpdates; }
};

} // namespace lumora::test
