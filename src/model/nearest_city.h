#pragma once

#include "model/city_entry.h"

#include <QList>

namespace lumora {

/// Distance along the Earth's surface in metres (great circle on the mean Earth radius).
double distanceMetres(GeoPoint a, GeoPoint b);

/// The entry with both coordinates nearest to `location`, ties keeping the earlier entry; null when no entry
/// has both. Callers decide what stands in then.
const CityEntry* nearestEntry(const QList<CityEntry>& entries, GeoPoint location);

} // namespace lumora
