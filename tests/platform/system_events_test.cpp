#include "platform/linux/linux_system_events.h"

#include "platform/dbus_test_support.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

// A second connection stands in for logind and timedated: the watcher only hears signals from the owners
// of their well-known names.
QDBusConnection systemServices() {
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-system"));
    bus.registerService(QStringLiteral("org.freedesktop.login1"));
    bus.registerService(QStringLiteral("org.freedesktop.timedate1"));
    return bus;
}

void prepareForSleep(QDBusConnection& bus, bool sleeping) {
    QDBusMessage m = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                QStringLiteral("org.freedesktop.login1.Manager"),
                                                QStringLiteral("PrepareForSleep"));
    m << sleeping;
    bus.send(m);
}

void timezoneChanged(QDBusConnection& bus, const QString& zone) {
    QDBusMessage m = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/timedate1"),
                                                QStringLiteral("org.freedesktop.DBus.Properties"),
                                                QStringLiteral("PropertiesChanged"));
    m << QStringLiteral("org.freedesktop.timedate1") << QVariantMap{{QStringLiteral("Timezone"), zone}}
      << QStringList();
    bus.send(m);
}

bool pointLink(const QString& link, const QString& zone) {
    // Replaced the way timedatectl does it: a new link renamed over the old one.
    const QString fresh = link + ".new";
    QFile::remove(fresh);
    return QFile::link("/usr/share/zoneinfo/" + zone, fresh) &&
           std::rename(qPrintable(fresh), qPrintable(link)) == 0;
}

} // namespace

TEST(SystemEvents, WakeAndZoneChangesFromTheSystemBus) {
    LUMORA_REQUIRE_PRIVATE_BUS();
    QTemporaryDir etc;
    ASSERT_TRUE(pointLink(etc.filePath("localtime"), "Asia/Jakarta"));
    QDBusConnection services = systemServices();
    LinuxSystemEvents events(QDBusConnection::sessionBus(), etc.filePath("localtime"));
    QSignalSpy woke(&events, &SystemEvents::didWake);
    QSignalSpy zones(&events, &SystemEvents::timeZoneChanged);

    prepareForSleep(services, true);
    prepareForSleep(services, false);
    ASSERT_TRUE(test::spinUntil([&] { return woke.size() == 1; }));

    timezoneChanged(services, "Asia/Jayapura");
    ASSERT_TRUE(test::spinUntil([&] { return zones.size() == 1; }));
    EXPECT_EQ(zones.at(0).at(0).toString(), "Asia/Jayapura");
    // The same zone again (timedated, then the file watch) is one change, not two.
    timezoneChanged(services, "Asia/Jayapura");
    test::spinUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(zones.size(), 1);
    EXPECT_EQ(woke.size(), 1) << "going to sleep is not a wake";
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-system"));
}

TEST(SystemEvents, ReplacedLocaltimeLinkIsAZoneChange) {
    QTemporaryDir etc;
    const QString link = etc.filePath("localtime");
    ASSERT_TRUE(pointLink(link, "Asia/Jakarta"));
    EXPECT_EQ(LinuxSystemEvents::zoneFromLocaltime(link), "Asia/Jakarta");
    LinuxSystemEvents events(QDBusConnection(QStringLiteral("no-bus")), link);
    QSignalSpy zones(&events, &SystemEvents::timeZoneChanged);

    QFile unrelated(etc.filePath("hostname"));
    ASSERT_TRUE(unrelated.open(QIODevice::WriteOnly));
    unrelated.close();
    ASSERT_TRUE(pointLink(link, "Asia/Makassar"));
    ASSERT_TRUE(test::spinUntil([&] { return zones.size() >= 1; }));
    EXPECT_EQ(zones.at(0).at(0).toString(), "Asia/Makassar");
    ASSERT_TRUE(pointLink(link, "Asia/Jayapura"));
    ASSERT_TRUE(test::spinUntil([&] { return zones.size() >= 2; }));
    EXPECT_EQ(zones.at(1).at(0).toString(), "Asia/Jayapura");
    EXPECT_EQ(zones.size(), 2);
}
