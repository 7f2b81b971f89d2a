#pragma once

#include "shell/sni_dbus_types.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QPointer>

namespace lumora {

class TrayMenu;

/// Publishes a TrayMenu as com.canonical.dbusmenu (version 3) for a StatusNotifierItem host to draw.
class DBusMenuExporter : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    DBusMenuExporter(TrayMenu* menu, QObject* parent = nullptr);

    /// Exports the menu at `path` on `bus`; false when the path is taken.
    bool registerOn(QDBusConnection bus, const QString& path);

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }
    uint revision() const { return m_revision; }

    /// The full layout from the root, as GetLayout(0, -1, []) returns it.
    DBusMenuLayoutItem layout() const;

public Q_SLOTS:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                lumora::DBusMenuLayoutItem& layout);
    Q_SCRIPTABLE lumora::DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids,
                                                                       const QStringList& propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const lumora::DBusMenuEventList& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    Q_SCRIPTABLE void ItemsPropertiesUpdated(const lumora::DBusMenuItemPropertiesList& updated,
                                             const lumora::DBusMenuItemRemovedKeysList& removed);
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemActivationRequested(int id, uint timestamp);

private:
    QVariantMap properties(int id, const QStringList& names = {}) const;
    bool knows(int id) const;
    void onLayoutChanged();
    void onEntryChanged(int id);

    QPointer<TrayMenu> m_menu;
    uint m_revision = 1;
};

} // namespace lumora
