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
#include <limits>
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
                      const QVariantList& args, std::chrono::milliseconds limit = 5s) {
        QDBusMessage message = QDBusMessage::createMethodCall(itemService(), path, iface, method);
        message.setArguments(args);
        QDBusPendingCallWatcher pending(hostBus.asyncCall(message, static_cast<int>(limit.count())));
        spinUntil([&] { return pending.isFinished(); }, limit);
        return pending.reply();
    }

    // Calls with huge arguments take a while to marshal on a loaded machine; the answer's size is what counts.
    QDBusMessage menuCall(const QString& method, const QVariantList& args) {
        return call(QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"), method, args, 60s);
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

// Any process on the bus may call the menu with lists of any length; the answers stay the size of the menu.
TEST_F(TrayDBusTest, MenuCallsWithHugeListsGetAnswersTheSizeOfTheMenu) {
    TrayItem tray;
    const DBusMenuLayoutItem root = layout();
    ASSERT_EQ(root.children.size(), 5);
    const int open = root.children[2].id;
    const qsizetype items = root.children.size() + 1; // and the root

    QList<int> repeated(200'000, open);
    QList<int> distinct;
    for (int id = 0; id < 200'000; ++id)
        distinct.append(id);
    QList<int> unknownThenKnown(200'000, 4242);
    unknownThenKnown.append(open);
    QStringList manyNames;
    for (int i = 0; i < 100'000; ++i)
        manyNames.append(i % 2 ? QStringLiteral("label") : QStringLiteral("enabled%1").arg(i));
    const QStringList longNames(8, QString(100'000, QLatin1Char('l')));

    const auto groupProperties = [&](const QList<int>& ids, const QStringList& names) {
        const QDBusMessage reply =
            menuCall(QStringLiteral("GetGroupProperties"), {QVariant::fromValue(ids), names});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        DBusMenuItemPropertiesList list;
        reply.arguments().value(0).value<QDBusArgument>() >> list;
        return list;
    };
    const struct {
        const char* what;
        QList<int> ids;
        QStringList names;
        qsizetype maxItems;
        qsizetype maxProperties;
    } groups[] = {
        {"one id 200 000 times", repeated, {}, 1, 8},
        {"200 000 distinct ids", distinct, {}, items, 8},
        {"unknown ids, then a known one", unknownThenKnown, {}, 1, 8},
        {"100 000 property names", {open, open}, manyNames, 1, 1},
        {"100 KB property names", {open}, longNames, 1, 0},
    };
    for (const auto& group : groups) {
        SCOPED_TRACE(group.what);
        const DBusMenuItemPropertiesList list = groupProperties(group.ids, group.names);
        EXPECT_LE(list.size(), group.maxItems);
        for (const DBusMenuItemProperties& item : list)
            EXPECT_LE(item.properties.size(), group.maxProperties) << item.id;
    }
    EXPECT_EQ(groupProperties(repeated, {}).value(0).properties.value("label").toString(),
              QStringLiteral("Buka Lumora"))
        << "the one item asked for is answered";

    // Depth and names: the flat menu, once.
    for (const int depth : {-1, 1, 1'000'000, std::numeric_limits<int>::max()}) {
        SCOPED_TRACE(depth);
        const QDBusMessage reply = menuCall(QStringLiteral("GetLayout"), {0, depth, manyNames});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        DBusMenuLayoutItem got;
        reply.arguments().value(1).value<QDBusArgument>() >> got;
        ASSERT_EQ(got.children.size(), 5);
        for (const DBusMenuLayoutItem& child : got.children) {
            EXPECT_TRUE(child.children.isEmpty());
            EXPECT_LE(child.properties.size(), 1);
        }
    }

    // A group of 200 000 clicks on one item opens the window once; errors name each unknown id once.
    int opens = 0;
    QObject::connect(&tray, &TrayItem::openRequested, [&] { ++opens; });
    DBusMenuEventList clicks;
    for (int i = 0; i < 200'000; ++i)
        clicks.append(DBusMenuEvent{i % 2 ? open : 4242, QStringLiteral("clicked"), QDBusVariant(0), 0});
    const QDBusMessage clicked = menuCall(QStringLiteral("EventGroup"), {QVariant::fromValue(clicks)});
    ASSERT_EQ(clicked.type(), QDBusMessage::ReplyMessage) << clicked.errorMessage().toStdString();
    EXPECT_EQ(qdbus_cast<QList<int>>(clicked.arguments().value(0)), QList<int>{4242});
    ASSERT_TRUE(spinUntil([&] { return opens >= 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(opens, 1);

    const QDBusMessage shown = menuCall(QStringLiteral("AboutToShowGroup"), {QVariant::fromValue(distinct)});
    ASSERT_EQ(shown.type(), QDBusMessage::ReplyMessage) << shown.errorMessage().toStdString();
    EXPECT_LE(qdbus_cast<QList<int>>(shown.arguments().value(1)).size(), 64);

    // An error reply echoes a name briefly.
    const QDBusMessage unknownName =
        menuCall(QStringLiteral("GetProperty"), {open, QString(100'000, QLatin1Char('n'))});
    ASSERT_EQ(unknownName.type(), QDBusMessage::ErrorMessage);
    EXPECT_LT(unknownName.errorMessage().size(), 200);

    // Still on the bus, and still answering.
    EXPECT_TRUE(hostBus.interface()->isServiceRegistered(itemService()).value());
    EXPECT_EQ(layout().children.size(), 5);
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
