#pragma once

#include "model/city_entry.h"

#include <QList>

#include <memory>
#include <optional>

namespace lumora {

class LocationProvider;

/// Receives a location provider's callbacks, on the thread that created the provider.
class LocationProviderDelegate {
public:
    virtual ~LocationProviderDelegate() = default;
    /// The authorization status may have changed; read it from `manager`.
    virtual void locationManagerDidChangeAuthorization(LocationProvider& manager) = 0;
    /// New fixes, oldest first.
    virtual void didUpdateLocations(LocationProvider& manager, const QList<GeoPoint>& locations) = 0;
};

/// The platform's location manager. Errors are not reported: a failed request simply delivers nothing.
class LocationProvider {
public:
    /// The authorization integers the app works with.
    enum Authorization : int {
        notDetermined = 0,
        restricted = 1,
        denied = 2,
        authorizedAlways = 3,
        authorizedWhenInUse = 4,
    };

    virtual ~LocationProvider() = default;

    void setDelegate(LocationProviderDelegate* delegate) { m_delegate = delegate; }
    LocationProviderDelegate* delegate() const { return m_delegate; }

    virtual int authorizationStatus() const = 0;
    /// Accuracy wanted, in metres; a hint the backend may round.
    virtual void setDesiredAccuracy(double metres) = 0;
    virtual void requestWhenInUseAuthorization() = 0;
    virtual void startUpdatingLocation() = 0;
    /// One fix, delivered later through the delegate.
    virtual void requestLocation() = 0;

protected:
    void notifyAuthorizationChanged() {
        if (m_delegate) m_delegate->locationManagerDidChangeAuthorization(*this);
    }
    void notifyLocations(const QList<GeoPoint>& locations) {
        if (m_delegate) m_delegate->didUpdateLocations(*this, locations);
    }

private:
    LocationProviderDelegate* m_delegate = nullptr;
};

/// The system's positioning source (GeoClue2 through Qt Positioning on Linux).
std::unique_ptr<LocationProvider> createSystemLocationProvider();

} // namespace lumora
