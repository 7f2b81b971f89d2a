#include "location_service.h"

#include "places/places_log.h"
#include "places/data_store.h"

namespace lumora {

LocationService::LocationService(std::unique_ptr<LocationProvider> manager, DataStore& store, QObject* parent)
    : QObject(parent), m_manager(std::move(manager)), m_store(store) {
    connect(m_manager.get(), &LocationProvider::authorizationChanged, this,
            &LocationService::locationManagerDidChangeAuthorization);
    connect(m_manager.get(), &LocationProvider::locationsUpdated, this, &LocationService::didUpdateLocations);
    m_manager->setDesiredAccuracy(1000);
    m_authorizationStatus = m_manager->authorizationStatus();
    // A pinned location is known from the start; the device's last fix is no guess at it.
    if (const auto pinned = m_manager->pinnedPosition())
        m_currentLocation = *pinned;
    else
        restoreCachedLocation();
    if (!m_currentLocation) m_currentLocation = fallbackLocation();
    // Asking for authorization or fixes is the owner's decision, not the constructor's.
}

LocationService::~LocationService() = default;

QVariant LocationService::currentLocationValue() const {
    return m_currentLocation ? QVariant::fromValue(*m_currentLocation) : QVariant();
}

std::optional<GeoPoint> LocationService::cachedFix(const DataStore& store) {
    const auto cached = store.cachedLocation();
    if (!cached) return std::nullopt;
    // A fix from the future (clock moved back) has a negative age and is taken; an old one stays stored.
    const double age = store.clock().now() - cached->savedAt;
    if (age > kCachedLocationMaxAge) return std::nullopt;
    return GeoPoint{cached->latitude, cached->longitude};
}

void LocationService::restoreCachedLocation() {
    if (const auto fix = cachedFix(m_store)) m_currentLocation = fix;
}

void LocationService::setCurrentLocation(GeoPoint location) {
    m_currentLocation = location;
    Q_EMIT currentLocationChanged(location);
}

void LocationService::locationManagerDidChangeAuthorization(LocationProvider::Authorization status) {
    m_authorizationStatus = status;
    Q_EMIT authorizationStatusChanged(m_authorizationStatus);
    if (m_authorizationStatus == LocationProvider::authorizedAlways) m_manager->requestLocation();
}

void LocationService::didUpdateLocations(const QList<GeoPoint>& locations) {
    if (locations.isEmpty()) return;
    const GeoPoint last = locations.last();
    qCDebug(placesLog) << "location fix:" << last.latitude << last.longitude;
    setCurrentLocation(last);
    // A place given for one run (LUMORA_LOCATION, the fixedLocation setting) is no fix of the device: stored,
    // it would stand in for the device's position at every start of the next 24 hours.
    if (m_manager->pinnedPosition()) return;
    m_store.saveLocation(CachedLocation{last.latitude, last.longitude, m_store.clock().now()});
}

} // namespace lumora
