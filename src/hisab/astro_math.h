#pragma once

#include <cmath>

// Constants and small helpers the sun, moon and prayer-time calculations share.
namespace lumora::hisab::astro {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kRad = kPi / 180.0;
/// Julian day of the J2000.0 epoch.
inline constexpr double kJ2000 = 2451545.0;

/// An angle in degrees brought into 0 ... 360.
inline double normalized(double degrees) {
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

} // namespace lumora::hisab::astro
