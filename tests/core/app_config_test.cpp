#include "core/app_config.h"

#include "core/app_services.h"
#include "places/location_service.h"
#include "places/storage.h"
#include "platform/fixed_location_provider.h"
#include "platform/resource_locator.h"

#include "support/environment.h"
#include "support/loopback_server.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

using test::environment;

inline void PrintTo(const GeoPoint& p, std::ostream* os) {
    *os << "GeoPoint(" << p.latitude << ", " << p.longitude << ")";
}

} // namespace

TEST(AppConfig, EnvironmentThenSettingThenDefault) {
    struct Case {
        const char* what;
        QProcessEnvironment env;
        std::optional<QString> hisabSetting;
        std::optional<QString> locationSetting;
        QString url;
        bool hisab;
        bool notifications;
        std::optional<GeoPoint> location;
    } cases[] = {
        {"nothing given", environment({}), std::nullopt, std::nullopt,
         QStringLiteral(LUMORA_TEST_DEFAULT_URL), true, true, std::nullopt},
        {"service from the environment, trimmed", environment({{"LUMORA_SCHEDULE_URL", " http://h/adzan/ "}}),
         std::nullopt, std::nullopt, "http://h/adzan/", true, true, std::nullopt},
        {"set but empty turns the service off", environment({{"LUMORA_SCHEDULE_URL", ""}}), std::nullopt,
         std::nullopt, "", true, true, std::nullopt},
        {"hisab off by setting", environment({}), " OFF ", std::nullopt,
         QStringLiteral(LUMORA_TEST_DEFAULT_URL), false, true, std::nullopt},
        {"the environment wins over the hisab setting", environment({{"LUMORA_HISAB", "on"}}), "off",
         std::nullopt, QStringLiteral(LUMORA_TEST_DEFAULT_URL), true, true, std::nullopt},
        {"hisab off by environment", environment({{"LUMORA_HISAB", "Off"}}), std::nullopt, std::nullopt,
         QStringLiteral(LUMORA_TEST_DEFAULT_URL), false, true, std::nullopt},
        {"an empty variable leaves the setting", environment({{"LUMORA_HISAB", " "}}), "off", std::nullopt,
         QStringLiteral(LUMORA_TEST_DEFAULT_URL), false, true, std::nullopt},
        {"notifications off", environment({{"LUMORA_NOTIFICATIONS", "off"}}), std::nullopt, std::nullopt,
         QStringLiteral(LUMORA_TEST_DEFAULT_URL), true, false, std::nullopt},
        {"notifications only off by exactly off", environment({{"LUMORA_NOTIFICATIONS", "OFF"}}),
         std::nullopt, std::nullopt, QStringLiteral(LUMORA_TEST_DEFAULT_URL), true, true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempHome home;
        const QString settingsPath = home.path() + "/lumora.conf";
        Settings settings(settingsPath);
        if (c.hisabSetting) settings.setText("hisab", *c.hisabSetting);
        const AppConfig config = AppConfig::resolve(c.env, settingsPath);
        EXPECT_EQ(config.scheduleBaseUrl, c.url);
        EXPECT_EQ(config.hisabEnabled, c.hisab);
        EXPECT_EQ(config.notificationsEnabled, c.notifications);
        EXPECT_EQ(config.settingsPath, settingsPath);
    }
}

TEST(AppConfig, FixedLocationFromTheEnvironmentBeforeTheSettingAndMalformedValuesIgnored) {
    struct Case {
        std::optional<const char*> env;
        std::optional<QString> setting;
        std::optional<GeoPoint> expected;
    } cases[] = {
        {std::nullopt, std::nullopt, std::nullopt},
        {"1,2", std::nullopt, GeoPoint{1, 2}},
        {"1,2", "3,4", GeoPoint{1, 2}},
        {"north", "3,4", GeoPoint{3, 4}},
        {std::nullopt, "3,4", GeoPoint{3, 4}},
        {std::nullopt, "95,4", std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        test::TempHome home;
        const QString settingsPath = home.path() + "/lumora.conf";
        if (c.setting) Settings(settingsPath).setText("fixedLocation", *c.setting);
        const QProcessEnvironment env = c.env ? environment({{"LUMORA_LOCATION", *c.env}}) : environment({});
        EXPECT_EQ(AppConfig::resolve(env, settingsPath).fixedLocation, c.expected)
            << c.env.value_or("(unset)");
    }
}

TEST(AppConfig, FixedLocationByPlaceNameAndUnknownValuesTold) {
    const GeoPoint jayapura{-2.64647, 140.77779};
    const GeoPoint sleman{-7.68167, 110.32333};
    const GeoPoint yogyakarta{-7.7971, 110.3688}; // the catalogue's
    struct Case {
        std::optional<const char*> env;
        std::optional<QString> setting;
        std::optional<GeoPoint> expected;
        QString problem;
    } cases[] = {
        {"Jayapura", std::nullopt, jayapura, ""},
        {"  kota JAYAPURA ", std::nullopt, jayapura, ""},
        {"94.71", std::nullopt, jayapura, ""},
        {"Kabupaten Sleman", std::nullopt, sleman, ""},
        {std::nullopt, "Kab. Sleman", sleman, ""},
        {"jogja", std::nullopt, yogyakarta, ""},                   // the catalogue's alias
        {"Bali", std::nullopt, GeoPoint{-8.66667, 115.21663}, ""}, // a province: Kota Denpasar, its capital
        {"-6.9175, 107.6191", std::nullopt, GeoPoint{-6.9175, 107.6191}, ""},
        // The decimal comma of Indonesian writing is no pair.
        {"-6,9175,107,6191", std::nullopt, std::nullopt,
         "lokasi \"-6,9175,107,6191\" tidak dikenal; memakai lokasi perangkat"},
        {"Atlantis", "Jayapura", jayapura,
         "lokasi \"Atlantis\" tidak dikenal; memakai lokasi dari pengaturan"},
        {std::nullopt, "jakarta barat daya", std::nullopt,
         "lokasi \"jakarta barat daya\" tidak dikenal; memakai lokasi perangkat"},
        {" ", std::nullopt, std::nullopt, ""}, // blank is no value
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.env.value_or("(unset)"));
        test::TempHome home;
        const QString settingsPath = home.path() + "/lumora.conf";
        if (c.setting) Settings(settingsPath).setText("fixedLocation", *c.setting);
        const QProcessEnvironment env = c.env ? environment({{"LUMORA_LOCATION", *c.env}}) : environment({});
        const AppConfig config = AppConfig::resolve(env, settingsPath);
        EXPECT_EQ(config.fixedLocation, c.expected);
        EXPECT_EQ(config.locationProblem, c.problem);
    }
}

TEST(AppConfig, TakbirSoundOverrideFirstThenTheShippedFile) {
    test::TempHome home;
    QDir().mkpath(home.path() + "/res/sounds");
    QFile f(home.path() + "/res/sounds/takbir.wav");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const auto takbir = [](const char* overrideDir) {
        const AppConfig config = AppConfig::resolve(environment({{"LUMORA_RESOURCE_DIR", overrideDir}}),
                                                    QStringLiteral("/nonexistent"));
        return ResourceLocator(config.resourceFolders).filePath("sounds/takbir.wav");
    };

    EXPECT_EQ(takbir((home.path() + "/res").toUtf8().constData()), QFileInfo(f).canonicalFilePath());
    // An override without the file falls through to a copy that exists: the installed one or the source
    // tree's.
    const std::optional<QString> shipped = takbir(home.path().toUtf8().constData());
    ASSERT_TRUE(shipped);
    EXPECT_TRUE(shipped->endsWith("/sounds/takbir.wav"));
    EXPECT_GT(QFileInfo(*shipped).size(), 1000);
}

TEST(AppServices, LocationIsThePinnedOneElseTheRecentFixElseJakarta) {
    test::TempHome home;
    ManualClock clock{Instant{800'000'000}};
    AppConfig config = AppConfig::resolve(environment({}), home.path() + "/lumora.conf");
    {
        AppServices services(config, clock);
        EXPECT_EQ(services.location(), LocationService::fallbackLocation());
        services.store().saveLocation(CachedLocation{-7.2575, 112.7521, clock.now() - 3600});
        EXPECT_EQ(services.location(), (GeoPoint{-7.2575, 112.7521}));
        clock.set(clock.now() + 86400);
        EXPECT_EQ(services.location(), LocationService::fallbackLocation()) << "older than a day";
    }
    config.fixedLocation = GeoPoint{1, 2};
    AppServices pinned(config, clock);
    EXPECT_EQ(pinned.location(), (GeoPoint{1, 2}));
    // A pinned location also picks the fixed provider, which delivers from the event loop.
    LocationService& service = pinned.locationService();
    EXPECT_NE(dynamic_cast<FixedLocationProvider*>(&service.manager()), nullptr);
}

TEST(AppServices, TheServiceIsAskedUnderThisProgramsOwnName) {
    test::TempHome home;
    test::LoopbackServer server;
    ManualClock clock{Instant{800'000'000}};
    AppConfig config = AppConfig::resolve(environment({}), home.path() + "/lumora.conf");
    config.scheduleBaseUrl = server.baseUrl().toString();
    AppServices services(config, clock);
    QCoro::waitFor(services.repository().ensureMonth("kota-bandung", clock.now()));
    ASSERT_FALSE(server.requests().isEmpty());
    for (const auto& request : server.requests())
        EXPECT_TRUE(QRegularExpression(R"(^lumora/\d+(\.\d+)+ \(Linux\)$)")
                        .match(QString::fromLatin1(request.header("User-Agent")))
                        .hasMatch())
            << request.header("User-Agent").toStdString();
}
