#pragma once

#include "model/city_entry.h"

#include <QString>

#include <optional>

namespace lumora {

/// Parses a fixed location "lat,lon" in decimal degrees (spaces around either number allowed). None when
/// malformed, not finite, or outside -90..90 / -180..180.
std::optional<GeoPoint> parseFixedLocation(const QString& text);

} // namespace lumora
