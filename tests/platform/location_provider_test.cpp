#include "model/fixed_location.h"
#include "platform/fixed_location_provider.h"
#include "platform/linux/positioning_location_provider.h"
#include "platform/location_provider.h"

#include "places/places_printers.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QCoreApplication>
#include <QGeoPositionInfoSource>

#include <gtest/gtest.h>

#include <cmath>

using namespace lumora;

namespace {

/// Records the signals a provider emits.
struct Recorder {
    void watch(LocationProvider& provider) {
        QObject::connect(&provider, &LocationProvider::authorizationChanged,
                         [this](LocationProvider::Authorization s) { statuses.append(s); });
        QObject::connect(&provider, &LocationProvider::locationsUpdated,
                         [this](const QList<GeoPoint>& l) { locations.append(l); });
    }
    QList<int> statuses;
    QList<QList<GeoPoint>> locations;
};

/// A positioning source the test drives by emitting its signals.
class ScriptedSource final : public QGeoPositionInfoSource {
public:
    ScriptedSource() : QGeoPositionInfoSource(nullptr) {}
    QGeoPositionInfo lastKnownPosition(bool) const override { return {}; }
    PositioningMethods supportedPositioningMethods() const override { return AllPositioningMethods; }
    int minimumUpdateInterval() const override { return 1000; }
    Error error() const override { return NoError; }
    void startUpdates() override { ++starts; }
    void stopUpdates() override {}
    void requestUpdate(int) override { ++requests; }
    int starts = 0;
    int requests = 0;
};

QGeoPositionInfo fixAt(double lat, double lon) {
    return QGeoPositionInfo(QGeoCoordinate(lat, lon), QDateTime::currentDateTimeUtc());
}

} // namespace

TEST(FixedLocation, Parsing) {
    struct Case {
        const char* text;
        std::optional<GeoPoint> expected;
    } cases[] = {
        {"-6.2088,106.8456", GeoPoint{-6.2088, 106.8456}},
        {" -6.9175 , 107.6191 ", GeoPoint{-6.9175, 107.6191}},
        {"90,180", GeoPoint{90, 180}},
        {"-90,-180", GeoPoint{-90, -180}},
        {"0,0", GeoPoint{0, 0}},
        {"90.0001,0", std::nullopt},
        {"0,-180.5", std::nullopt},
        {"-6.2088", std::nullopt},
        {"-6,2088,106,8456", std::nullopt},
        {"-6.2088;106.8456", std::nullopt},
        {"-6.2088 106.8456", std::nullopt},
        {"lat,lon", std::nullopt},
        {"nan,0", std::nullopt},
        {"0,inf", std::nullopt},
        {"1e999,0", std::nullopt},
        {",", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseFixedLocation(c.text), c.expected) << c.text;
}

TEST(FixedLocation, ProviderDeliversFromTheEventLoop) {
    FixedLocationProvider fixed(GeoPoint{-7.2575, 112.7521});
    LocationProvider* provider = &fixed;
    EXPECT_EQ(provider->authorizationStatus(), LocationProvider::authorizedAlways);

    Recorder recorder;
    recorder.watch(*provider);
    provider->requestLocation();
    EXPECT_TRUE(recorder.locations.isEmpty()) << "never called back from inside the request";
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.locations, (QList<QList<GeoPoint>>{{GeoPoint{-7.2575, 112.7521}}}));
    EXPECT_TRUE(recorder.statuses.isEmpty());
}

TEST(PositioningProvider, StatusFollowsTheSource) {
    EXPECT_EQ(PositioningLocationProvider(nullptr).authorizationStatus(), LocationProvider::restricted);

    auto* source = new ScriptedSource;
    PositioningLocationProvider provider(source);
    Recorder recorder;
    recorder.watch(provider);
    EXPECT_EQ(provider.authorizationStatus(), LocationProvider::authorizedAlways);

    provider.setDesiredAccuracy(1000);
    EXPECT_EQ(source->preferredPositioningMethods(), QGeoPositionInfoSource::NonSatellitePositioningMethods);
    provider.requestLocation();
    provider.startUpdatingLocation();
    EXPECT_EQ(source->requests, 1);
    EXPECT_EQ(source->starts, 1);

    Q_EMIT source->errorOccurred(QGeoPositionInfoSource::UpdateTimeoutError);
    EXPECT_TRUE(recorder.statuses.isEmpty()) << "a time-out is a location error, not reported";
    Q_EMIT source->errorOccurred(QGeoPositionInfoSource::AccessError);
    EXPECT_EQ(recorder.statuses, QList<int>{LocationProvider::denied});

    Q_EMIT source->positionUpdated(QGeoPositionInfo()); // invalid: dropped
    EXPECT_TRUE(recorder.locations.isEmpty());
    // A fix after a refusal means access was granted after all.
    Q_EMIT source->positionUpdated(fixAt(-8.6705, 115.2126));
    EXPECT_EQ(recorder.statuses, (QList<int>{LocationProvider::denied, LocationProvider::authorizedAlways}));
    EXPECT_EQ(recorder.locations, (QList<QList<GeoPoint>>{{GeoPoint{-8.6705, 115.2126}}}));

    Q_EMIT source->errorOccurred(QGeoPositionInfoSource::ClosedError);
    EXPECT_EQ(provider.authorizationStatus(), LocationProvider::restricted);
}
