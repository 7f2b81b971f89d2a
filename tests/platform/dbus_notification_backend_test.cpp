#include "core/prayer_notifications.h"
#include "model/date_helpers.h"
#include "platform/linux/dbus_notification_backend.h"
#include "snapshot/widget_reload.h"

#include "platform/dbus_fakes.h"
#include "platform/dbus_test_support.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QDBusConnectionInterface>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

constexpr auto kTakbir = "/usr/share/lumora/sounds/takbir.wav";
const QString kConnection = QStringLiteral("fake-notification-server");

NotificationRequest request(NotificationSound sound, QString body = QStringLiteral(u"Jakarta \u2022 04:38")) {
    return NotificationRequest{"2026-03-14-subuh-main", "Waktu SUBUH telah masuk", std::move(body), sound,
                               NotificationTrigger{2026, 3, 14, 4, 38}};
}

class FakeServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        LUMORA_REQUIRE_PRIVATE_BUS();
        m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnection);
        ASSERT_TRUE(m_bus.isConnected());
        ASSERT_TRUE(
            m_bus.registerObject(DbusNotificationBackend::kPath, &server, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(m_bus.registerService(DbusNotificationBackend::kService))
            << "is a notification server running?";
    }
    void TearDown() override {
        if (!test::onPrivateBus()) return;
        m_bus.unregisterService(DbusNotificationBackend::kService);
        m_bus.unregisterObject(DbusNotificationBackend::kPath);
        QDBusConnection::disconnectFromBus(kConnection);
    }

    std::unique_ptr<DbusNotificationBackend> backend(std::optional<QString> takbir = QString(kTakbir)) {
        return std::make_unique<DbusNotificationBackend>(QDBusConnection::sessionBus(), std::move(takbir),
                                                         std::make_unique<test::RecordingPlayer>(played));
    }

    test::FakeNotificationServer server;
    std::shared_ptr<QStringList> played = std::make_shared<QStringList>();

private:
    QDBusConnection m_bus{QString()};
};

} // namespace

TEST_F(FakeServerTest, NotifyCarriesTheRequestAndItsSoundHints) {
    using S = NotificationSound;
    struct Case {
        const char* what;
        S sound;
        std::optional<QString> takbirFile;
        QVariantMap soundHints;
    } cases[] = {
        {"takbir", S::takbir, QString(kTakbir), {{"sound-file", QString(kTakbir)}}},
        {"takbir without its file", S::takbir, std::nullopt, {{"sound-name", "message-new-instant"}}},
        {"default", S::standard, QString(kTakbir), {{"sound-name", "message-new-instant"}}},
        {"none", S::none, QString(kTakbir), {{"suppress-sound", true}}},
    };
    server.capabilities = {"body", "sound"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.calls.clear();
        auto b = backend(c.takbirFile);
        const std::optional<uint> id = QCoro::waitFor(b->post(request(c.sound)));
        ASSERT_TRUE(id);
        ASSERT_EQ(server.calls.size(), 1);
        const auto& call = server.calls[0];
        EXPECT_EQ(call.appName, "Lumora");
        EXPECT_EQ(call.replacesId, 0u);
        EXPECT_EQ(call.appIcon, "lumora");
        EXPECT_EQ(call.summary, "Waktu SUBUH telah masuk");
        EXPECT_EQ(call.body, QStringLiteral(u"Jakarta \u2022 04:38"));
        EXPECT_TRUE(call.actions.isEmpty());
        EXPECT_EQ(call.expireTimeout, -1);
        QVariantMap hints = c.soundHints;
        hints.insert("desktop-entry", "id.lumora.Lumora");
        EXPECT_EQ(call.hints, hints);
    }
}

TEST_F(FakeServerTest, TakbirPlaysInProcessOnlyWhereTheServerPlaysNoSound) {
    using S = NotificationSound;
    struct Case {
        const char* what;
        QStringList capabilities;
        S sound;
        bool played;
    } cases[] = {
        {"server plays sounds", {"body", "sound"}, S::takbir, false},
        {"server without sound", {"body", "actions"}, S::takbir, true},
        {"default sound is the server's business", {"body"}, S::standard, false},
        {"silent request", {"body"}, S::none, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        played->clear();
        server.capabilities = c.capabilities;
        auto b = backend();
        ASSERT_TRUE(QCoro::waitFor(b->post(request(c.sound))));
        EXPECT_EQ(*played, c.played ? QStringList{kTakbir} : QStringList{});
    }
}

TEST_F(FakeServerTest, BodyIsEscapedOnlyForServersThatReadMarkup) {
    struct Case {
        QStringList capabilities;
        QString body;
    } cases[] = {
        {{"body", "body-markup"}, QStringLiteral(u"Bandar &amp; &lt;Kota&gt; \u2022 04:38")},
        {{"body"}, QStringLiteral(u"Bandar & <Kota> \u2022 04:38")},
    };
    for (const Case& c : cases) {
        server.calls.clear();
        server.capabilities = c.capabilities;
        auto b = backend();
        ASSERT_TRUE(QCoro::waitFor(
            b->post(request(NotificationSound::none, QStringLiteral(u"Bandar & <Kota> \u2022 04:38")))));
        ASSERT_EQ(server.calls.size(), 1);
        EXPECT_EQ(server.calls[0].body, c.body);
    }
}

TEST_F(FakeServerTest, TheCentreDeliversTheScheduledPlanOverTheBus) {
    server.capabilities = {"body", "sound"};
    ManualClock clock(*DateHelpers::makeDate("2026-03-14", "00:00"));
    NotificationCenter center(clock, backend());
    ASSERT_TRUE(center.isAvailable());

    AppState state = AppState::placeholder();
    state.cityName = "Jakarta";
    state.todayDay = PrayerDay{"jkt", "KOTA JAKARTA", "2026-03-14", {{PrayerName::subuh, "04:38"}}};
    scheduleNotifications(state, center);
    ASSERT_EQ(center.pendingRequests().size(), 3);

    clock.set(*DateHelpers::makeDate("2026-03-14", "04:38"));
    center.clockChanged();
    ASSERT_TRUE(test::spinUntil([&] { return !server.calls.isEmpty(); }));
    EXPECT_EQ(server.calls[0].summary, "Waktu SUBUH telah masuk");
    EXPECT_EQ(server.calls[0].body, QStringLiteral(u"Jakarta \u2022 04:38"));
    EXPECT_EQ(server.calls[0].hints.value("sound-file"), kTakbir);
}

TEST(DbusNotificationBackend, NoServerMeansNoAnswerAndNoSound) {
    LUMORA_REQUIRE_PRIVATE_BUS();
    ASSERT_FALSE(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(DbusNotificationBackend::kService));
    auto played = std::make_shared<QStringList>();
    DbusNotificationBackend b(QDBusConnection::sessionBus(), QString(kTakbir),
                              std::make_unique<test::RecordingPlayer>(played));
    EXPECT_FALSE(QCoro::waitFor(b.post(request(NotificationSound::takbir))));
    EXPECT_TRUE(played->isEmpty());
}

TEST(DbusNotificationBackend, AvailableWithAConnectedBusUnlessSwitchedOff) {
    LUMORA_REQUIRE_PRIVATE_BUS();
    ManualClock clock;
    struct Case {
        const char* what;
        QDBusConnection bus;
        std::optional<QByteArray> env;
        bool available;
    } cases[] = {
        {"session bus", QDBusConnection::sessionBus(), std::nullopt, true},
        {"switched off", QDBusConnection::sessionBus(), "off", false},
        {"no bus", QDBusConnection(QStringLiteral("never-connected")), std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NotificationCenter center(
            clock, std::make_unique<DbusNotificationBackend>(c.bus, std::nullopt, nullptr), c.env != "off");
        EXPECT_EQ(center.isAvailable(), c.available);
    }
}

TEST(WidgetReload, EmitsTheReloadSignalWithTheKind) {
    LUMORA_REQUIRE_PRIVATE_BUS();
    const QString name = QStringLiteral("widget-host");
    QDBusConnection host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    test::ReloadListener listener;
    ASSERT_TRUE(host.connect(QString(), WidgetReload::kPath, WidgetReload::kInterface, WidgetReload::kMember,
                             &listener, SLOT(reload(QString))));

    EXPECT_TRUE(WidgetReload::reloadTimelines());
    EXPECT_TRUE(test::spinUntil([&] { return !listener.kinds.isEmpty(); }));
    EXPECT_EQ(listener.kinds, QStringList{"lumoraWidget"});
    EXPECT_FALSE(
        WidgetReload::reloadTimelines("lumoraWidget", QDBusConnection(QStringLiteral("never-connected"))));
    QDBusConnection::disconnectFromBus(name);
}
