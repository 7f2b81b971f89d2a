#include "fixed_location.h"

#include <QStringList>

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

} // namespace lumora
