#pragma once

#include "platform/location_provider.h"

namespace lumora::test {

/// A location manager whose callbacks the test delivers, and which counts the requests it is sent.
class FakeLocationProvider final : public LocationProvider {
public:
    explicit FakeLocationProvider(int status = notDetermined) : status(status) {}

    int authorizationStatus() const override { return status; }
    void setDesiredAccuracy(double metres) override { desiredAccuracy = metres; }
    void requestWhenInUseAuthorization() override { ++authorizationRequests; }
    void startUpdatingLocation() override { ++updateStarts; }
    void requestLocation() override { ++locationRequests; }

    /// Sets the status and calls back, as the platform does when the user decides.
    void changeAuthorization(int newStatus) {
        status = newStatus;
        notifyAuthorizationChanged();
    }
    void deliver(const QList<GeoPoint>& locations) { notifyLocations(locations); }

    int status;
    double desiredAccuracy = -1;
    int authorizationRequests = 0;
    int updateStarts = 0;
    int locationRequests = 0;
};

} // namespace lumora::test
