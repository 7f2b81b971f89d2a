#pragma once

#include "platform/location_provider.h"

#include <QGeoPositionInfoSource>
#include <QObject>

namespace lumora {

/// The system's positioning source through Qt Positioning (GeoClue2 on Linux).
///
/// Linux asks no per-application question up front, so a source that exists counts as authorized; GeoClue's
/// refusal (an access error) turns that into denied, and no source at all is restricted.
class PositioningLocationProvider final : public LocationProvider {
    Q_OBJECT
public:
    /// Uses the system's default source.
    PositioningLocationProvider();
    /// Uses `source` (taken over; may be null for "no source").
    explicit PositioningLocationProvider(QGeoPositionInfoSource* source);

    Authorization authorizationStatus() const override { return m_status; }
    void setDesiredAccuracy(double metres) override;
    void startUpdatingLocation() override;
    void requestLocation() override;

private:
    void onPosition(const QGeoPositionInfo& info);
    void onError(QGeoPositionInfoSource::Error error);
    void setStatus(Authorization status);

    QGeoPositionInfoSource* m_source = nullptr;
    Authorization m_status = notDetermined;
};

} // namespace lumora
