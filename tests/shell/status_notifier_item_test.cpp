// The tray item as a StatusNotifierItem host sees it, on the private bus CTest starts, with a watcher of our
// own.
#include "shell/sni_dbus_types.h"
#include "shell/sni_fakes.h"
#include "shell/status_notifier_item.h"
#include "shell/tray_item.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace lumora {
namespace {

using namespace std::chrono_literals;

bool onPrivateBus() {
    return qgetenv("LUMORA_TEST_PRIVATE_BUS") == "1";
}

template <class Pred> bool spinUntil(Pred done, std::chrono::milliseconds limit = 5s) {
    const QDeadlineTimer deadline(limit);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

QString itemService() {
    return QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());
}

class TrayDBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onPrivateBus()) GTEST_SKIP() << "needs the private bus CTest starts (ctest -R shell.dbus)";
        watcher = std::make_unique<test::FakeWatcher>(watcherBus);
        ASSERT_TRUE(watcher->start());
    }

    // Every call goes out asynchronously: the item answers on this same thread.
    QDBusMessage call(const QString& path, const QString& iface, const QString& method,
                      const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(itemService(), path, iface, method);
        message.setArguments(args);
        QDBusPendingCallWatcher pending(hostBus.asyncCall(message));
        spinUntil([&] { return pending.isFinished(); });
        return pending.reply();
    }

    QVariant property(const QString& name) {
        const QDBusMessage reply =
            call(QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.freedesktop.DBus.Properties"),
                 QStringLiteral("Get"), {QStringLiteral("org.kde.StatusNotifierItem"), name});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << name.toStdString() << " " << reply.errorMessage().toStdString();
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    template <class T> T structProperty(const QString& name) {
        T value;
        property(name).value<QDBusArgument>() >> value;
        return value;
    }

    /// Lets the item's pending signals reach the host: they precede the reply to a call made afterwards.
    void settle() {
        QCoreApplication::processEvents();
        property(QStringLiteral("Id"));
    }

    DBusMenuLayoutItem layout() {
        const QDBusMessage reply = call(QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
                                        QStringLiteral("GetLayout"), {0, -1, QStringList()});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        DBusMenuLayoutItem root;
        reply.arguments().value(1).value<QDBusArgument>() >> root;
        return root;
    }

    QDBusConnection watcherBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "test-watcher");
    QDBusConnection hostBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "test-host");
    std::unique_ptr<test::FakeWatcher> watcher;
};

TEST_F(TrayDBusTest, RegistersWithTheWatcherAndAgainWhenItRestarts) {
    TrayItem tray;
    ASSERT_EQ(tray.backend(), TrayItem::Backend::statusNotifier);
    ASSERT_TRUE(spinUntil([&] { return watcher->registered.size() == 1; }));
    EXPECT_EQ(watcher->registered.first(), itemService());
    EXPECT_TRUE(hostBus.interface()->isServiceRegistered(itemService()).value());

    watcher->stop();
    ASSERT_TRUE(watcher->start());
    ASSERT_TRUE(spinUntil([&] { return watcher->registered.size() == 2; }));
    EXPECT_EQ(watcher->registered.last(), itemService());
}

TEST_F(TrayDBusTest, AWatcherAppearingLaterGetsTheItem) {
    watcher->stop();
    TrayItem tray;
    EXPECT_EQ(tray.backend(), TrayItem::Backend::none);
    ASSERT_TRUE(watcher->start());
    ASSERT_TRUE(spinUntil([&] { return watcher->registered.size() == 1; }));
    EXPECT_EQ(tray.backend(), TrayItem::Backend::statusNotifier);
}

TEST_F(TrayDBusTest, PropertiesAsAHostReadsThem) {
    TrayItem tray;
    tray.setTitle(QStringLiteral(" ASHAR -1j 15m"));
    tray.setToolTip(QStringLiteral("Jakarta\nAshar 15:02\n-1j 15m"));
    QCoreApplication::processEvents();

    const struct {
        const char* name;
        QVariant expected;
    } cases[] = {
        {"Id", QStringLiteral("lumora")},
        {"Title", QStringLiteral("lumora")},
        {"Category", QStringLiteral("ApplicationStatus")},
        {"Status", QStringLiteral("Active")},
        {"ItemIsMenu", true},
        {"XAyatanaLabel", QStringLiteral(" ASHAR -1j 15m")},
        {"XAyatanaLabelGuide", TrayItem::defaultLabelGuide()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(property(QString::fromLatin1(c.name)), c.expected) << c.name;
    EXPECT_EQ(property(QStringLiteral("Menu")).value<QDBusObjectPath>().path(), QStringLiteral("/MenuBar"));

    const auto toolTip = structProperty<SniToolTip>(QStringLiteral("ToolTip"));
    EXPECT_EQ(toolTip.title, QStringLiteral("lumora"));
    EXPECT_EQ(toolTip.text, QStringLiteral("Jakarta\nAshar 15:02\n-1j 15m"));
}

TEST_F(TrayDBusTest, IconPixmapsComeInFiveSizesAsNetworkOrderArgb) {
    TrayItem tray;
    const auto pixmaps = structProperty<SniPixmapList>(QStringLiteral("IconPixmap"));
    ASSERT_EQ(pixmaps.size(), 5);
    const QColor crimson = QColor::fromRgbF(0.82f, 0.12f, 0.24f);
    const int sizes[] = {16, 22, 24, 32, 48};
    for (int i = 0; i < 5; ++i) {
        const SniPixmap& pixmap = pixmaps[i];
        SCOPED_TRACE(sizes[i]);
        EXPECT_EQ(pixmap.width, sizes[i]);
        EXPECT_EQ(pixmap.height, sizes[i]);
        ASSERT_EQ(pixmap.data.size(), sizes[i] * sizes[i] * 4);
        // The dome's middle, half way across and a third up from the bottom: A, R, G, B in that byte order.
        const int x = sizes[i] / 2, y = sizes[i] - sizes[i] * 9 / 18 - 1;
        const auto* px = reinterpret_cast<const uchar*>(pixmap.data.constData()) + (y * sizes[i] + x) * 4;
        EXPECT_EQ(px[0], 255);
        EXPECT_EQ(px[1], crimson.red());
        EXPECT_EQ(px[2], crimson.green());
        EXPECT_EQ(px[3], crimson.blue());
        EXPECT_EQ(pixmap.data.left(4), QByteArray(4, '\0')) << "top left corner is transparent";
    }
}

TEST_F(TrayDBusTest, MenuLayoutHoldsTheFiveItemsAndClickingRunsTheirActions) {
    TrayItem tray;
    tray.setMenuTime(QStringLiteral("15:02"));
    const DBusMenuLayoutItem root = layout();
    EXPECT_EQ(root.id, 0);
    ASSERT_EQ(root.children.size(), 5);
    const auto& items = root.children;
    EXPECT_EQ(items[0].properties.value("label").toString(), QStringLiteral("15:02"));
    EXPECT_FALSE(items[0].properties.value("enabled").toBool());
    EXPECT_EQ(items[1].properties.value("type").toString(), QStringLiteral("separator"));
    EXPECT_EQ(items[2].properties.value("label").toString(), QStringLiteral("Buka Lumora"));
    EXPECT_TRUE(items[2].properties.value("enabled").toBool());
    EXPECT_EQ(items[3].properties.value("label").toString(), QStringLiteral("Muat ulang jadwal"));
    EXPECT_EQ(items[4].properties.value("label").toString(), QStringLiteral("Exit"));
    QList<QStringList> shortcut;
    items[4].properties.value("shortcut").value<QDBusArgument>() >> shortcut;
    EXPECT_EQ(shortcut, (QList<QStringList>{{QStringLiteral("q")}}));

    int exits = 0, opens = 0, refreshes = 0;
    QObject::connect(&tray, &TrayItem::exitRequested, [&] { ++exits; });
    QObject::connect(&tray, &TrayItem::openRequested, [&] { ++opens; });
    QObject::connect(&tray, &TrayItem::refreshRequested, [&] { ++refreshes; });
    const auto click = [&](int id) {
        const QDBusMessage reply = call(
            QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
            {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    };
    click(items[0].id); // disabled: nothing
    click(items[4].id);
    ASSERT_TRUE(spinUntil([&] { return exits == 1; }));
    click(items[2].id);
    ASSERT_TRUE(spinUntil([&] { return opens == 1; }));
    click(items[3].id);
    ASSERT_TRUE(spinUntil([&] { return refreshes == 1; }));
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(opens, 1);

    const QDBusMessage bad = call(QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
                                  QStringLiteral("GetLayout"), {99, -1, QStringList()});
    EXPECT_EQ(bad.type(), QDBusMessage::ErrorMessage);
}

TEST_F(TrayDBusTest, OneLabelSignalPerChangeAndNoneWithoutOne) {
    TrayItem tray;
    test::SniSignalRecorder heard;
    heard.listen(hostBus, itemService());
    settle();
    heard.reset();

    const QString guide = TrayItem::defaultLabelGuide();
    const QString blank(11, QChar(0x2007));
    const struct {
        const char* what;
        std::function<void()> change;
        QList<QStringList> labels;
        int icons;
    } steps[] = {
        {"new title", [&] { tray.setTitle(QStringLiteral(" ISYA -2m")); }, {{" ISYA -2m", guide}}, 0},
        {"same title again", [&] { tray.setTitle(QStringLiteral(" ISYA -2m")); }, {}, 0},
        {"title and colour in one turn",
         [&] {
             tray.setTitle(QStringLiteral(" ISYA -1m"));
             tray.setColor(TrayColor::orange);
         },
         {{" ISYA -1m", guide}},
         1},
        {"entering, red",
         [&] {
             tray.setTitle(QStringLiteral(" ISYA ADZAN"));
             tray.setColor(TrayColor::red);
         },
         {{" ISYA ADZAN", guide}},
         1},
        // The dark half of the blink keeps the width and the icon.
        {"entering, clear", [&] { tray.setColor(TrayColor::clear); }, {{blank, guide}}, 0},
        {"clear again", [&] { tray.setColor(TrayColor::clear); }, {}, 0},
        {"tool tip alone", [&] { tray.setToolTip(QStringLiteral("Jakarta")); }, {}, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        heard.reset();
        step.change();
        settle();
        EXPECT_EQ(heard.labels, step.labels);
        EXPECT_EQ(heard.titles, step.labels.size());
        EXPECT_EQ(heard.icons, step.icons);
    }
    EXPECT_EQ(heard.toolTips, 1);

    heard.reset();
    tray.setMenuTime(QStringLiteral("19:01"));
    tray.setMenuTime(QStringLiteral("19:01"));
    settle();
    EXPECT_EQ(heard.menuUpdates, 1);
}

} // namespace
} // namespace lumora
