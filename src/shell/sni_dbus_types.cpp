#include "shell/sni_dbus_types.h"

#include <QDBusMetaType>
#include <QtEndian>

namespace lumora {

SniPixmap toSniPixmap(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap{argb.width(), argb.height(), QByteArray(argb.width() * argb.height() * 4, '\0')};
    auto* out = reinterpret_cast<uchar*>(pixmap.data.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x, out += 4)
            qToBigEndian<quint32>(line[x], out);
    }
    return pixmap;
}

void registerTrayDBusTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmapList>();
        qDBusRegisterMetaType<SniToolTip>();
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuItemProperties>();
        qDBusRegisterMetaType<DBusMenuItemPropertiesList>();
        qDBusRegisterMetaType<DBusMenuItemRemovedKeys>();
        qDBusRegisterMetaType<DBusMenuItemRemovedKeysList>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<DBusMenuEventList>();
        qDBusRegisterMetaType<QList<QStringList>>();
        // moc names slot and signal parameters by their typedef; QtDBus looks them up by that name.
        qRegisterMetaType<SniPixmapList>("lumora::SniPixmapList");
        qRegisterMetaType<DBusMenuItemPropertiesList>("lumora::DBusMenuItemPropertiesList");
        qRegisterMetaType<DBusMenuItemRemovedKeysList>("lumora::DBusMenuItemRemovedKeysList");
        qRegisterMetaType<DBusMenuEventList>("lumora::DBusMenuEventList");
        return true;
    }();
    (void)done;
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& pixmap) {
    arg.beginStructure();
    arg << pixmap.width << pixmap.height << pixmap.data;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& pixmap) {
    arg.beginStructure();
    arg >> pixmap.width >> pixmap.height >> pixmap.data;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& toolTip) {
    arg.beginStructure();
    arg << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& toolTip) {
    arg.beginStructure();
    arg >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& item) {
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : item.children)
        arg << QDBusVariant(QVariant::fromValue(child));
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& item) {
    arg.beginStructure();
    arg >> item.id >> item.properties;
    item.children.clear();
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant wrapped;
        arg >> wrapped;
        DBusMenuLayoutItem child;
        wrapped.variant().value<QDBusArgument>() >> child;
        item.children.append(child);
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemProperties& item) {
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemProperties& item) {
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemRemovedKeys& item) {
    arg.beginStructure();
    arg << item.id << item.names;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemRemovedKeys& item) {
    arg.beginStructure();
    arg >> item.id >> item.names;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event) {
    arg.beginStructure();
    arg << event.id << event.eventId << event.data << event.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event) {
    arg.beginStructure();
    arg >> event.id >> event.eventId >> event.data >> event.timestamp;
    arg.endStructure();
    return arg;
}

} // namespace lumora
