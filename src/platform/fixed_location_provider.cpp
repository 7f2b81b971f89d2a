#include "fixed_location_provider.h"

#include <QTimer>

namespace lumora {

FixedLocationProvider::FixedLocationProvider(GeoPoint position, QObject* parent)
    : LocationProvider(parent), m_position(position) {}

// The position never changes, so continuous updates amount to the one fix.
void FixedLocationProvider::startUpdatingLocation() {
    deliverLater();
}

void FixedLocationProvider::requestLocation() {
    deliverLater();
}

void FixedLocationProvider::deliverLater() {
    // Never call back from inside the request: the caller may be in the middle of its own callback.
    QTimer::singleShot(0, this, [this] { Q_EMIT locationsUpdated({m_position}); });
}

} // namespace lumora
