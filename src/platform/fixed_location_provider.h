#pragma once

#include "platform/location_provider.h"

#include <QObject>

namespace lumora {

/// A location manager that always knows where it is: for desktops without a positioning service, or a pinned
/// location. Always authorized; each request delivers the position from the event loop, like a real fix.
class FixedLocationProvider final : public QObject, public LocationProvider {
    Q_OBJECT
public:
    explicit FixedLocationProvider(GeoPoint position, QObject* parent = nullptr);

    GeoPoint position() const { return m_position; }

    int authorizationStatus() const override { return authorizedAlways; }
    void setDesiredAccuracy(double) override {}
    void requestWhenInUseAuthorization() override {}
    void startUpdatingLocation() override;
    void requestLocation() override;

private:
    void deliverLater();

    GeoPoint m_position;
};

} // namespace lumora
