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

struct Nutation {
    double dPsi; ///< degrees
    double eps;  ///< true obliquity, radians
};

/// Nutation in longitude and obliquity (Meeus 22, the four main terms), `T` in Julian centuries from J2000.
inline Nutation nutation(double T) {
    const double omega = (125.04452 - 1934.136261 * T) * kRad;
    const double moonL = (218.3165 + 481267.8813 * T) * kRad;
    const double sunL = (280.4665 + 36000.7698 * T) * kRad;
    const double dPsi = (-17.20 * std::sin(omega) - 1.32 * std::sin(2 * sunL) - 0.23 * std::sin(2 * moonL) +
                         0.21 * std::sin(2 * omega)) /
                        3600.0;
    const double dEps = (9.20 * std::cos(omega) + 0.57 * std::cos(2 * sunL) + 0.10 * std::cos(2 * moonL) -
                         0.09 * std::cos(2 * omega)) /
                        3600.0;
    const double eps0 = 23.0 + 26.0 / 60.0 + (21.448 - T * (46.8150 + T * (0.00059 - T * 0.001813))) / 3600.0;
    return {dPsi, (eps0 + dEps) * kRad};
}

} // namespace lumora::hisab::astro
