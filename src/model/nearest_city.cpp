#include "nearest_city.h"

#include <algorithm>
#include <cmath>

namespace lumora {

double distanceMetres(GeoPoint a, GeoPoint b) {
    constexpr double kEarthRadius = 6371008.8; // mean radius, metres
    constexpr double kRad = M_PI / 180.0;
    const double dLat = (b.latitude - a.latitude) * kRad;
    const double dLon = (b.longitude - a.longitude) * kRad;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) + std::cos(a.latitude * kRad) *
                                                                   std::cos(b.latitude * kRad) *
                                                                   std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadius * std::asin(std::sqrt(std::min(1.0, h)));
}

const CityEntry* nearestEntry(const QList<CityEntry>& entries, GeoPoint location) {
    const CityEntry* best = nullptr;
    double bestDistance = 0;
    for (const CityEntry& entry : entries) {
        if (!entry.lat || !entry.lon) continue;
        const double d = distanceMetres(location, GeoPoint{*entry.lat, *entry.lon});
        if (!best || d < bestDistance) {
            best = &entry;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace lumora
