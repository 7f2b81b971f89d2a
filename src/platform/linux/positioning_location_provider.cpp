#include "positioning_location_provider.h"

#include "platform/platform_log.h"

namespace lumora {

PositioningLocationProvider::PositioningLocationProvider()
    : PositioningLocationProvider(QGeoPositionInfoSource::createDefaultSource(nullptr)) {}

PositioningLocationProvider::PositioningLocationProvider(QGeoPositionInfoSource* source) : m_source(source) {
    if (!m_source) {
        qCDebug(platformLog) << "positioning: no source";
        m_status = restricted;
        return;
    }
    m_source->setParent(this);
    m_status = m_source->error() == QGeoPositionInfoSource::AccessError ? denied : authorizedAlways;
    connect(m_source, &QGeoPositionInfoSource::positionUpdated, this,
            &PositioningLocationProvider::onPosition);
    connect(m_source, &QGeoPositionInfoSource::errorOccurred, this, &PositioningLocationProvider::onError);
}

void PositioningLocationProvider::setDesiredAccuracy(double metres) {
    if (!m_source) return;
    // A kilometre or coarser needs no satellite fix; GeoClue then settles for a Wi-Fi or network position.
    m_source->setPreferredPositioningMethods(metres >= 1000
                                                 ? QGeoPositionInfoSource::NonSatellitePositioningMethods
                                                 : QGeoPositionInfoSource::AllPositioningMethods);
}

void PositioningLocationProvider::startUpdatingLocation() {
    if (m_source) m_source->startUpdates();
}

void PositioningLocationProvider::requestLocation() {
    if (m_source) m_source->requestUpdate();
}

void PositioningLocationProvider::onPosition(const QGeoPositionInfo& info) {
    const QGeoCoordinate c = info.coordinate();
    if (!info.isValid() || !c.isValid()) {
        qCDebug(platformLog) << "positioning: invalid fix dropped";
        return;
    }
    // A fix proves access, e.g. after the user allowed it in the desktop's privacy settings.
    if (m_status != authorizedAlways) setStatus(authorizedAlways);
    Q_EMIT locationsUpdated({GeoPoint{c.latitude(), c.longitude()}});
}

void PositioningLocationProvider::onError(QGeoPositionInfoSource::Error error) {
    qCDebug(platformLog) << "positioning error:" << error;
    switch (error) {
    case QGeoPositionInfoSource::AccessError:
        setStatus(denied);
        break;
    case QGeoPositionInfoSource::ClosedError:
        // The positioning service went away: no source any more.
        setStatus(restricted);
        break;
    default:
        // Time-outs and unknown errors are location errors, which are not reported.
        break;
    }
}

std::unique_ptr<LocationProvider> createSystemLocationProvider() {
    return std::make_unique<PositioningLocationProvider>();
}

void PositioningLocationProvider::setStatus(Authorization status) {
    if (status == m_status) return;
    m_status = status;
    Q_EMIT authorizationChanged(m_status);
}

} // namespace lumora
