#pragma once

#include "platform/location_provider.h"

namespace lumora::test {

/// A location manager whose signals the test emits, and which counts the requests it is sent.
class FakeLocationProvider final : public LocationProvider {
public:
    explicit FakeLocationProvider(int status = notDetermined) : status(Authorization(status)) {}

    Authorization authorizationStatus() const override { return status; }
    void setDesiredAccuracy(double metres) override { desiredAccuracy = metres; }
    void startUpdatingLocation() override { ++updateStarts; }
    void requestLocation() override { ++locationRequests; }

    /// Sets the status and signals it, as the platform does when the user decides.
    void changeAuthorization(int newStatus) {
        status = Authorization(newStatus);
        Q_EMIT authorizationChanged(status);
    }
    void deliver(const QList<GeoPoint>& locations) { Q_EMIT locationsUpdated(locations); }

    Authorization status;
    double desiredAccuracy = -1;
    int updateStarts = 0;
    int locationRequests = 0;
};

} // namespace lumora::test
