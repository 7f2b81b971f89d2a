#pragma once

#include "shell/sni_dbus_types.h"
#include "shell/tray_color.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>

class QDBusServiceWatcher;
class QMenu;
class QSystemTrayIcon;

namespace lumora {

class StatusNotifierItem;
class TrayMenu;

/// The application's tray presence: the StatusNotifierItem with its label where a watcher runs, a plain
/// QSystemTrayIcon where only an XEmbed tray exists, and nothing otherwise (the window alone then).
/// Setters may come in any order within one event-loop turn; the host hears of them once, together.
class TrayItem : public QObject {
    Q_OBJECT
public:
    enum class Backend { none, statusNotifier, systemTray };

    /// The widest title the panel reserves room for, so the label does not make the panel jitter.
    static QString defaultLabelGuide();
    static const QList<int>& iconSizes();

    explicit TrayItem(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~TrayItem() override;

    void setTitle(const QString& title);
    void setColor(TrayColor color);
    void setToolTip(const QString& text);
    /// The prayer time in the menu's first line, "HH:mm".
    void setMenuTime(const QString& time);

    Backend backend() const { return m_backend; }
    /// The menu, for entries added later (a check item, say).
    TrayMenu* menu() const { return m_menu; }
    /// The id of "Exit", the last entry, so later entries can go before it.
    int exitEntry() const { return m_exitEntry; }
    StatusNotifierItem* statusNotifierItem() const { return m_sni; }
    /// The label as the host gets it: the title, or its blank stand-in in the dark half of a blink.
    QString shownLabel() const;
    QString toolTip() const { return m_toolTip; }

Q_SIGNALS:
    /// "Buka Lumora", or the item's activation.
    void openRequested();
    /// "Muat ulang jadwal".
    void refreshRequested();
    void exitRequested();

private:
    void scheduleFlush();
    void flush();
    void useStatusNotifier();
    void useSystemTray();
    void rebuildFallbackMenu();
    SniPixmapList pixmapsFor(TrayColor color) const;

    QDBusConnection m_bus;
    TrayMenu* m_menu = nullptr;
    int m_timeEntry = 0;
    int m_exitEntry = 0;
    Backend m_backend = Backend::none;
    StatusNotifierItem* m_sni = nullptr;
    QSystemTrayIcon* m_systemTray = nullptr;
    QMenu* m_fallbackMenu = nullptr;
    QDBusServiceWatcher* m_watcherWatch = nullptr;
    QString m_title = QStringLiteral(" lumora");
    QString m_toolTip;
    TrayColor m_color = TrayColor::label;
    bool m_flushPending = false;
};

} // namespace lumora
