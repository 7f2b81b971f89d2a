#pragma once

// The wire structures of the StatusNotifierItem and com.canonical.dbusmenu interfaces.
#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace lumora {

/// One icon size as a StatusNotifierItem sends it: (iiay), ARGB32 pixels in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray data;
    friend bool operator==(const SniPixmap&, const SniPixmap&) = default;
};
using SniPixmapList = QList<SniPixmap>;

/// The item's ToolTip property: (sa(iiay)ss).
struct SniToolTip {
    QString iconName;
    SniPixmapList pixmaps;
    QString title;
    QString text;
};

/// A dbusmenu layout node: (ia{sv}av), the children each wrapped in a variant.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

/// (ia{sv}): the properties of one item, as GetGroupProperties and ItemsPropertiesUpdated carry them.
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;

/// (ias): the names of properties an item lost.
struct DBusMenuItemRemovedKeys {
    int id = 0;
    QStringList names;
};
using DBusMenuItemRemovedKeysList = QList<DBusMenuItemRemovedKeys>;

/// (isvu): one event of EventGroup.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

/// Converts an image to the wire form: 32-bit ARGB words, most significant byte first.
SniPixmap toSniPixmap(const QImage& image);

/// Registers the structures above with QtDBus; safe to call more than once.
void registerTrayDBusTypes();

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& toolTip);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemRemovedKeys& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemRemovedKeys& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event);

} // namespace lumora

Q_DECLARE_METATYPE(lumora::SniPixmap)
Q_DECLARE_METATYPE(lumora::SniToolTip)
Q_DECLARE_METATYPE(lumora::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(lumora::DBusMenuItemProperties)
Q_DECLARE_METATYPE(lumora::DBusMenuItemRemovedKeys)
Q_DECLARE_METATYPE(lumora::DBusMenuEvent)
