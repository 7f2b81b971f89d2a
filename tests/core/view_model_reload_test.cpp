#include "core/app_services.h"
#include "core/app_view_model.h"
#include "core/prayer_repository.h"
#include "model/date_helpers.h"
#include "places/city_catalog.h"
#include "places/location_service.h"
#include "places/data_store.h"
#include "platform/dbus_test_support.h"
#include "snapshot/widget_reload.h"
#include "support/fake_location_provider.h"
#include "support/temp_home.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lumora;

// The widget host hears one reload request on the bus for every state the app adopts.
TEST(ViewModelOnTheBus, EveryAppliedStateAsksTheWidgetToReload) {
    LUMORA_REQUIRE_PRIVATE_BUS();
    test::TempHome home;
    ManualClock clock{*DateHelpers::makeDate("2026-03-07", "12:00")};
    QNetworkAccessManager network;
    DataStore store{home.dataFolder(), Settings(home.path() + "/lumora.conf"), clock};
    CityCatalog catalog{store, network};
    PrayerRepository repository{scheduleChain(store, PrayerSource(network, "test-agent", QString())), catalog,
                                store, clock};
    auto provider = std::make_unique<test::FakeLocationProvider>();
    test::FakeLocationProvider* fake = provider.get();
    LocationService location{std::move(provider), store};

    WidgetReload::Listener listener;
    ASSERT_TRUE(listener.isListening());
    QSignalSpy reloads(&listener, &WidgetReload::Listener::reloadRequested);
    AppViewModel vm(location, repository, nullptr, clock, QDBusConnection::sessionBus());
    QSignalSpy published(&vm, &AppViewModel::widgetSnapshotPublished);
    QSignalSpy finished(&vm, &AppViewModel::refreshFinished);
    vm.bootstrap();
    ASSERT_TRUE(test::spinUntil([&] { return !vm.isLoading() && finished.size() >= 1; }));
    // A new place is a new state: published, and announced once more.
    fake->deliver({GeoPoint{-0.0263, 109.3425}});
    ASSERT_TRUE(test::spinUntil([&] { return !vm.isLoading() && published.size() >= 1; }));
    ASSERT_TRUE(test::spinUntil([&] { return reloads.size() >= published.size() + 1; }));
    EXPECT_EQ(reloads.size(), published.size() + 1) << "the construction's refresh published before the spy";
    for (const auto& args : reloads)
        EXPECT_EQ(args.at(0).toString(), "lumoraWidget");
}
