#pragma once

#include "shell/sni_dbus_types.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>

class QDBusServiceWatcher;

namespace lumora {

class DBusMenuExporter;
class TrayMenu;

/// Our own org.kde.StatusNotifierItem with the Ayatana label extension, so hosts can draw text beside the
/// icon. It owns `org.kde.StatusNotifierItem-<pid>-1`, serves `/StatusNotifierItem` and the menu at
/// `/MenuBar`, and registers with the watcher now and whenever a watcher appears.
class StatusNotifierItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyString)
    Q_PROPERTY(QString IconName READ emptyString)
    Q_PROPERTY(lumora::SniPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyString)
    Q_PROPERTY(lumora::SniPixmapList OverlayIconPixmap READ emptyPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyString)
    Q_PROPERTY(lumora::SniPixmapList AttentionIconPixmap READ emptyPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyString)
    Q_PROPERTY(lumora::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ orderingIndex)
public:
    static constexpr const char* watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* itemPath = "/StatusNotifierItem";
    static constexpr const char* menuPath = "/MenuBar";

    StatusNotifierItem(TrayMenu* menu, QDBusConnection bus, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    /// False when the service name or the object paths could not be taken; the item is then inert.
    bool isExported() const { return m_exported; }
    QString serviceName() const { return m_serviceName; }

    /// Each setter announces a real change with its signal and stays silent otherwise.
    void setLabel(const QString& label, const QString& guide);
    void setIconPixmap(const SniPixmapList& pixmaps);
    /// With `announce` false the change is not signalled: for a tooltip that changes together with the label,
    /// whose NewTitle already makes hosts read every property again.
    void setToolTip(const QString& text, bool announce = true);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("lumora"); }
    QString title() const { return QStringLiteral("lumora"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyString() const { return {}; }
    SniPixmapList emptyPixmaps() const { return {}; }
    SniPixmapList iconPixmap() const { return m_pixmaps; }
    SniToolTip toolTip() const;
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QString::fromLatin1(menuPath)); }
    QString label() const { return m_label; }
    QString labelGuide() const { return m_guide; }
    uint orderingIndex() const { return 0; }

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);
    Q_SCRIPTABLE void ProvideXdgActivationToken(const QString& token);

Q_SIGNALS:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewAttentionIcon();
    Q_SCRIPTABLE void NewOverlayIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);
    Q_SCRIPTABLE void XAyatanaNewLabel(const QString& label, const QString& guide);

    /// The host's primary click (the menu is the item, so few hosts send it).
    void activated();
    /// The watcher accepted the registration (again after each restart of the watcher).
    void registeredWithWatcher();

private:
    void registerWithWatcher();

    QDBusConnection m_bus;
    QString m_serviceName;
    bool m_exported = false;
    DBusMenuExporter* m_menuExporter = nullptr;
    QDBusServiceWatcher* m_watcherWatch = nullptr;
    SniPixmapList m_pixmaps;
    QString m_toolTip;
    QString m_label;
    QString m_guide;
};

} // namespace lumora
