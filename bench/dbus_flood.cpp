// Hostile callers on the session bus, for bench/hostile-dbus: a menu that stands in for the tray's, calls with
// huge lists against it, and a flood of widget reload signals.
//   dbus_flood menu-server
//   dbus_flood menu-call IDS SERVER_PID
//   dbus_flood reload-flood SIGNALS EXTRA_CHARS
#include "shell/dbus_menu_exporter.h"
#include "shell/tray_menu.h"
#include "snapshot/widget_reload.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <unistd.h>

using namespace lumora;

namespace {

constexpr auto kMenuService = "id.lumora.BenchMenu";

double cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command's closing parenthesis; utime and stime are the 12th and 13th of them.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(::sysconf(_SC_CLK_TCK));
}

int menuServer() {
    TrayMenu menu;
    menu.addItem(QStringLiteral("15:02"));
    menu.setEnabled(1, false);
    menu.addSeparator();
    menu.addItem(QStringLiteral("Buka Lumora"), [] {});
    menu.addItem(QStringLiteral("Muat ulang jadwal"), [] {});
    menu.addItem(QStringLiteral("Exit"), [] {}, QStringLiteral("q"));
    DBusMenuExporter exporter(&menu);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!exporter.registerOn(bus, QStringLiteral("/MenuBar")) ||
        !bus.registerService(QString::fromLatin1(kMenuService))) {
        std::fprintf(stderr, "cannot export the menu\n");
        return 1;
    }
    return QCoreApplication::exec();
}

int menuCall(int ids, qint64 serverPid) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kMenuService), QStringLiteral("/MenuBar"),
                                                       QStringLiteral("com.canonical.dbusmenu"),
                                                       QStringLiteral("GetGroupProperties"));
    call << QVariant::fromValue(QList<int>(ids, 3)) << QStringList();
    const double cpuBefore = cpuSeconds(serverPid);
    QElapsedTimer elapsed;
    elapsed.start();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 600'000);
    const qint64 ms = elapsed.elapsed();
    const double cpu = cpuSeconds(serverPid) - cpuBefore;
    DBusMenuItemPropertiesList items;
    if (reply.type() == QDBusMessage::ReplyMessage) reply.arguments().value(0).value<QDBusArgument>() >> items;
    const bool alive = bus.interface()->isServiceRegistered(QString::fromLatin1(kMenuService)).value();
    std::printf("GetGroupProperties %d ids: %s, %lld items, %lld ms round trip, server cpu %.3f s, server %s\n", ids,
                reply.type() == QDBusMessage::ReplyMessage ? "reply" : qPrintable(reply.errorName()),
                static_cast<long long>(items.size()), static_cast<long long>(ms), cpu,
                alive ? "still on the bus" : "gone from the bus");
    return 0;
}

int reloadFlood(int signals, int extra) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString kind = QStringLiteral("lumoraWidget") + QString(extra, QLatin1Char('x'));
    for (int i = 0; i < signals; ++i)
        if (!WidgetReload::reloadTimelines(kind, bus)) return 1;
    // Everything queued has left once a call made afterwards is answered.
    bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("menu-server")) return menuServer();
    if (mode == QLatin1String("menu-call")) return menuCall(args.value(2).toInt(), args.value(3).toLongLong());
    if (mode == QLatin1String("reload-flood")) return reloadFlood(args.value(2).toInt(), args.value(3).toInt());
    std::fprintf(stderr, "usage: dbus_flood menu-server | menu-call IDS SERVER_PID | reload-flood SIGNALS EXTRA\n");
    return 2;
}
