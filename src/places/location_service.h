#pragma once

#include "platform/location_provider.h"

#include "model/city_entry.h"

#include <QObject>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace lumora {

class DataStore;

/// Where the user is, closely enough to pick the nearest city: a pinned location, else the latest fix, the
/// last fix of the past 24 hours, or central Jakarta. Only the device's fixes are stored as its last fix; a
/// pinned location lasts as long as the run it was given for. Lives on the main thread, where its location
/// manager calls back.
class LocationService final : public QObject {
    Q_OBJECT
    /// A GeoPoint; invalid only while the service is being built.
    Q_PROPERTY(QVariant currentLocation READ currentLocationValue NOTIFY currentLocationChanged)
    Q_PROPERTY(lumora::LocationProvider::Authorization authorizationStatus READ authorizationStatus NOTIFY
                   authorizationStatusChanged)

public:
    /// A stored fix older than this is ignored.
    static constexpr double kCachedLocationMaxAge = 86400;

    LocationService(std::unique_ptr<LocationProvider> manager, DataStore& store, QObject* parent = nullptr);
    ~LocationService() override;

    /// Central Jakarta: used until a fix is known.
    static GeoPoint fallbackLocation() { return GeoPoint{*fallbackJakarta().lat, *fallbackJakarta().lon}; }
    /// The stored fix when it is at most kCachedLocationMaxAge old (one from the future counts as new).
    static std::optional<GeoPoint> cachedFix(const DataStore& store);

    /// The data folder's store the fixes are kept in.
    DataStore& store() const { return m_store; }
    std::optional<GeoPoint> currentLocation() const { return m_currentLocation; }
    LocationProvider::Authorization authorizationStatus() const { return m_authorizationStatus; }
    /// Callers send their requests (authorization, updates, one fix) to the manager directly.
    LocationProvider& manager() { return *m_manager; }

    // What the location manager's signals call.
    void locationManagerDidChangeAuthorization(LocationProvider::Authorization status);
    void didUpdateLocations(const QList<GeoPoint>& locations);

Q_SIGNALS:
    /// Emitted on every publication, even of an equal value.
    void currentLocationChanged(lumora::GeoPoint location);
    void authorizationStatusChanged(lumora::LocationProvider::Authorization status);

private:
    QVariant currentLocationValue() const;
    void restoreCachedLocation();
    void setCurrentLocation(GeoPoint location);

    std::optional<GeoPoint> m_currentLocation;
    LocationProvider::Authorization m_authorizationStatus = LocationProvider::notDetermined;
    std::unique_ptr<LocationProvider> m_manager;
    DataStore& m_store;
};

} // namespace lumora
