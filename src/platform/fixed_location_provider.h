#pragma once

#include "platform/location_provider.h"

namespace lumora {

/// A location manager that always knows where it is: for desktops without a positioning service, or a pinned
/// location. Always authorized; each request delivers the position from the event loop, like a real fix.
class FixedLocationProvider final : public LocationProvider {
    Q_OBJECT
public:
    explicit FixedLocationProvider(GeoPoint position, QObject* parent = nullptr);

    GeoPoint position() const { return m_position; }

    Authorization authorizationStatus() const override { return authorizedAlways; }
    void setDesiredAccuracy(double) override {}
    void startUpdatingLocation() override;
    void requestLocation() override;
    std::optional<GeoPoint> pinnedPosition() const override { return m_position; }

private:
    void deliverLater();

    GeoPoint m_position;
};

} // namespace lumora
