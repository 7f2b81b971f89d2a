#pragma once

#include "model/city_entry.h"

#include <QStringList>

#include <iomanip>
#include <ostream>

// Readable failure messages for the places types.
namespace lumora {
inline void PrintTo(const GeoPoint& p, std::ostream* os) {
    *os << "GeoPoint(" << std::setprecision(10) << p.latitude << ", " << p.longitude << ")";
}
inline void PrintTo(const CityEntry& c, std::ostream* os) {
    *os << "CityEntry(" << c.code.toStdString() << ", " << c.name.toStdString() << ")";
}
} // namespace lumora
