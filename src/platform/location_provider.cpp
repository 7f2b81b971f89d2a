#include "location_provider.h"

#include "platform/fixed_location_provider.h"

#include <cmath>

namespace lumora {

std::optional<GeoPoint> parseFixedLocation(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2) return std::nullopt;
    bool latOk = false;
    bool lonOk = false;
    const double lat = parts[0].trimmed().toDouble(&latOk);
    const double lon = parts[1].trimmed().toDouble(&lonOk);
    if (!latOk || !lonOk || !std::isfinite(lat) || !std::isfinite(lon)) return std::nullopt;
    if (lat < -90 || lat > 90 || lon < -180 || lon > 180) return std::nullopt;
    return GeoPoint{lat, lon};
}

std::optional<GeoPoint> fixedLocationFrom(const std::optional<QString>& configured) {
    if (qEnvironmentVariableIsSet(kFixedLocationVariable)) {
        if (auto p = parseFixedLocation(qEnvironmentVariable(kFixedLocationVariable))) return p;
    }
    if (configured) return parseFixedLocation(*configured);
    return std::nullopt;
}

std::unique_ptr<LocationProvider> createLocationProvider(const std::optional<QString>& configured) {
    if (auto fixed = fixedLocationFrom(configured)) return std::make_unique<FixedLocationProvider>(*fixed);
    return createSystemLocationProvider();
}

} // namespace lumora
