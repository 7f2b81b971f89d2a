#pragma once

#include "model/city_entry.h"

#include <QList>
#include <QObject>

#include <memory>
#include <optional>

namespace lumora {

/// The platform's location manager. Signals arrive on the thread that created the provider. Errors are not
/// signalled: a failed request simply delivers nothing (backends log them).
class LocationProvider : public QObject {
    Q_OBJECT
public:
    /// What the desktop allows the app to know of the device's location.
    enum Authorization : int {
        notDetermined = 0,
        restricted = 1,
        denied = 2,
        authorizedAlways = 3,
        authorizedWhenInUse = 4,
    };
    Q_ENUM(Authorization)

    explicit LocationProvider(QObject* parent = nullptr) : QObject(parent) {}

    virtual Authorization authorizationStatus() const = 0;
    /// Accuracy wanted, in metres; a hint the backend may round.
    virtual void setDesiredAccuracy(double metres) = 0;
    virtual void startUpdatingLocation() = 0;
    /// One fix, delivered later through locationsUpdated.
    virtual void requestLocation() = 0;
    /// The point a pinned location (the environment or the setting) always gives; none for a device's
    /// positioning source. Only a device's fixes are worth keeping as its last fix.
    virtual std::optional<GeoPoint> pinnedPosition() const { return std::nullopt; }

Q_SIGNALS:
    /// The authorization status may have changed (emitted even when it has not).
    void authorizationChanged(lumora::LocationProvider::Authorization status);
    /// New fixes, oldest first.
    void locationsUpdated(const QList<lumora::GeoPoint>& locations);
};

/// The system's positioning source (GeoClue2 through Qt Positioning on Linux).
std::unique_ptr<LocationProvider> createSystemLocationProvider();

} // namespace lumora
