#include "places/location_service.h"

#include "places/data_store.h"
#include "platform/fixed_location_provider.h"

#include "places_printers.h"
#include "support/fake_location_provider.h"
#include "support/printers.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumora;
using test::FakeLocationProvider;

namespace {

constexpr Instant kNow{800'000'000};
const GeoPoint kBandung{-6.9175, 107.6191};

class LocationServiceTest : public ::testing::Test {
protected:
    /// Builds the service over the fixture's store; `fake` points at its manager.
    std::unique_ptr<LocationService> makeService(int status = LocationProvider::notDetermined) {
        auto provider = std::make_unique<FakeLocationProvider>(status);
        fake = provider.get();
        return std::make_unique<LocationService>(std::move(provider), store);
    }

    QTemporaryDir dir;
    ManualClock clock{kNow};
    DataStore store{dir.filePath("data"), Settings(dir.filePath("lumora.conf")), clock};
    FakeLocationProvider* fake = nullptr;
};

} // namespace

TEST_F(LocationServiceTest, ConstructionReadsStatusAndAsksForNothing) {
    auto service = makeService(LocationProvider::authorizedAlways);
    EXPECT_EQ(service->authorizationStatus(), 3);
    EXPECT_EQ(fake->desiredAccuracy, 1000);
    EXPECT_EQ(fake->updateStarts + fake->locationRequests, 0);
    EXPECT_EQ(service->currentLocation(), LocationService::fallbackLocation());
    EXPECT_EQ(service->property("currentLocation").value<GeoPoint>(), (GeoPoint{-6.2088, 106.8456}));
    EXPECT_EQ(service->property("authorizationStatus").toInt(), 3);
    EXPECT_EQ(store.cachedLocation(), std::nullopt) << "the fallback is never stored";
}

TEST_F(LocationServiceTest, StoredFixIsUsedForTwentyFourHours) {
    struct Case {
        const char* what;
        double savedAgo;
        bool used;
    } cases[] = {
        {"saved just now", 0, true},
        {"exactly 24 hours ago", 86400, true},
        {"one second more", 86401, false},
        {"saved in the future", -3600, true},
    };
    for (const auto& c : cases) {
        store.saveLocation(CachedLocation{kBandung.latitude, kBandung.longitude, kNow - c.savedAgo});
        auto service = makeService();
        EXPECT_EQ(service->currentLocation(), c.used ? kBandung : LocationService::fallbackLocation())
            << c.what;
        EXPECT_TRUE(store.cachedLocation().has_value()) << c.what << ": an old fix stays stored";
    }
}

TEST_F(LocationServiceTest, UnreadableStoredFixFallsBackToJakarta) {
    const char* stored[] = {
        "not json",
        R"({"latitude":-6.9,"longitude":107.6})",
        R"({"latitude":"-6.9","longitude":107.6,"savedAt":800000000})",
        R"([1,2,3])",
    };
    for (const char* bytes : stored) {
        store.settings().setData("cachedLocation", bytes);
        EXPECT_EQ(makeService()->currentLocation(), LocationService::fallbackLocation()) << bytes;
    }
}

TEST_F(LocationServiceTest, OnlyTheLastOfSeveralFixesIsPublishedAndStored) {
    auto service = makeService(LocationProvider::authorizedAlways);
    QList<GeoPoint> published;
    QObject::connect(service.get(), &LocationService::currentLocationChanged,
                     [&](GeoPoint p) { published.append(p); });

    fake->deliver({});
    EXPECT_TRUE(published.isEmpty());
    EXPECT_EQ(store.cachedLocation(), std::nullopt);

    clock.advance(30);
    fake->deliver({GeoPoint{3.5952, 98.6722}, GeoPoint{-0.5, 117.1}, kBandung});
    EXPECT_EQ(published, QList<GeoPoint>{kBandung});
    EXPECT_EQ(service->currentLocation(), kBandung);
    EXPECT_EQ(store.cachedLocation(), (CachedLocation{kBandung.latitude, kBandung.longitude, kNow + 30}));

    // The stored fix is what the next run starts from.
    EXPECT_EQ(makeService()->currentLocation(), kBandung);
}

TEST_F(LocationServiceTest, AuthorizationChangesPublishAndRequestOnlyWhenAuthorizedAlways) {
    struct Case {
        int status;
        int requests;
    } cases[] = {{3, 1}, {4, 0}, {2, 0}, {1, 0}, {0, 0}};
    for (const auto& c : cases) {
        auto service = makeService(c.status);
        QList<int> published;
        QObject::connect(service.get(), &LocationService::authorizationStatusChanged,
                         [&](int s) { published.append(s); });
        fake->changeAuthorization(c.status); // unchanged value: still published
        EXPECT_EQ(fake->locationRequests, c.requests) << c.status;
        EXPECT_EQ(published, QList<int>{c.status});
        EXPECT_EQ(fake->updateStarts, 0);
    }

    auto service = makeService();
    fake->changeAuthorization(2);
    fake->changeAuthorization(3);
    EXPECT_EQ(service->authorizationStatus(), 3);
    EXPECT_EQ(fake->locationRequests, 1);
}

TEST_F(LocationServiceTest, TheCurrentValuesAreReadableAtOnceAndChangesAreSignalled) {
    store.saveLocation(CachedLocation{kBandung.latitude, kBandung.longitude, kNow - 60});
    auto service = makeService(LocationProvider::denied);
    QList<GeoPoint> seen;
    QList<int> statuses;
    ASSERT_EQ(service->currentLocation(), kBandung);
    seen.append(*service->currentLocation());
    statuses.append(service->authorizationStatus());
    QObject::connect(service.get(), &LocationService::currentLocationChanged, [&](GeoPoint p) { seen.append(p); });
    QObject::connect(service.get(), &LocationService::authorizationStatusChanged,
                     [&](int s) { statuses.append(s); });
    EXPECT_EQ(statuses, QList<int>{2});

    fake->deliver({GeoPoint{1, 2}});
    fake->changeAuthorization(3);
    EXPECT_EQ(seen, (QList<GeoPoint>{kBandung, GeoPoint{1, 2}}));
    EXPECT_EQ(statuses, (QList<int>{2, 3}));
}

// LUMORA_LOCATION=Jayapura is for that run: it is where the service starts and what it publishes, but the
// device's last fix stays what it was, so the next start without it is where the device last was.
TEST_F(LocationServiceTest, APinnedLocationIsPublishedButNeverStoredAsTheLastFix) {
    const GeoPoint jayapura{-2.64647, 140.77779};
    struct Case {
        const char* what;
        std::optional<CachedLocation> stored;
    } cases[] = {
        {"no fix stored", std::nullopt},
        {"a fix of the device a minute ago",
         CachedLocation{kBandung.latitude, kBandung.longitude, kNow - 60}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store.settings().remove("cachedLocation");
        if (c.stored) store.saveLocation(*c.stored);
        LocationService service(std::make_unique<FixedLocationProvider>(jayapura), store);
        EXPECT_EQ(service.currentLocation(), jayapura)
            << "the pinned point, not the stored fix, from the start";
        QList<GeoPoint> published;
        QObject::connect(&service, &LocationService::currentLocationChanged,
                         [&](GeoPoint p) { published.append(p); });
        service.manager().requestLocation();
        service.manager().startUpdatingLocation();
        QCoreApplication::processEvents();
        EXPECT_EQ(published, (QList<GeoPoint>{jayapura, jayapura}));
        EXPECT_EQ(store.cachedLocation(), c.stored);
        EXPECT_EQ(makeService()->currentLocation(), c.stored ? kBandung : LocationService::fallbackLocation())
            << "the next start without the pin";
    }
}

TEST(CachedLocationJson, UsesSecondsSince2001AndNeedsAllKeys) {
    const CachedLocation fix{-6.2, 106.8, Instant{800'000'000.5}};
    EXPECT_EQ(fix.toJson(),
              (QJsonObject{{"latitude", -6.2}, {"longitude", 106.8}, {"savedAt", 800'000'000.5}}));
    EXPECT_EQ(CachedLocation::fromJson(fix.toJson()).toOptional(), fix);
    for (const char* key : {"latitude", "longitude", "savedAt"}) {
        QJsonObject o = fix.toJson();
        o.remove(key);
        EXPECT_FALSE(CachedLocation::fromJson(o)) << key;
    }
}

TEST_F(LocationServiceTest, FixThatCannotBeEncodedIsNotStored) {
    store.saveLocation(CachedLocation{-6.2, 106.8, kNow});
    store.saveLocation(CachedLocation{qQNaN(), 106.8, kNow});
    EXPECT_EQ(store.cachedLocation(), (CachedLocation{-6.2, 106.8, kNow}));
}
