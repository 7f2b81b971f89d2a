#pragma once

#include "model/instant.h"

namespace lumora::hisab {

/// TT - UT in seconds for the years around 2025 (observed values lie between 69 and 70 s).
inline constexpr double kDeltaTSeconds = 69.0;

/// The Sun's apparent geocentric place at one instant, in degrees unless noted.
struct SolarPosition {
    double declination = 0;
    double rightAscension = 0; ///< 0 ... 360
    /// Greenwich apparent sidereal time, 0 ... 360.
    double siderealTime = 0;
    /// Apparent minus mean solar time, in minutes.
    double equationOfTime = 0;
};

/// The Sun's position at `t` (UT), after Meeus, "Astronomical Algorithms", chapters 12, 22 and 25 (the
/// low-precision solar theory, good to about 0.01 degree, which is a few seconds of time).
SolarPosition solarPosition(Instant t, double deltaTSeconds = kDeltaTSeconds);

/// As `solarPosition`, with the Sun's place from the VSOP87 series as Meeus truncates them (chapter 32 and
/// appendix III; about 1"). The low-precision theory can be 15" off, and on some evenings that much decides
/// whether the crescent's elongation reaches its minimum.
SolarPosition preciseSolarPosition(Instant t, double deltaTSeconds = kDeltaTSeconds);

/// Julian day (UT) of an instant.
double julianDay(Instant t);

} // namespace lumora::hisab
