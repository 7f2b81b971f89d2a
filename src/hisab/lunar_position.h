#pragma once

#include "model/instant.h"

#include "solar_position.h"

namespace lumora::hisab {

/// The Moon's apparent geocentric place at one instant, in degrees unless noted.
struct LunarPosition {
    double longitude = 0; ///< apparent ecliptic longitude, 0 ... 360
    double latitude = 0;
    double distance = 0;       ///< centre to centre, km
    double rightAscension = 0; ///< 0 ... 360
    double declination = 0;
    double horizontalParallax = 0;
};

/// The Moon's position at `t` (UT), after Meeus, "Astronomical Algorithms", chapter 47: the full series of
/// tables 47.A and 47.B (about 10" in longitude, 4" in latitude).
LunarPosition lunarPosition(Instant t, double deltaTSeconds = kDeltaTSeconds);

/// The true new moon (geocentric conjunction in longitude) of lunation `k`, in UT, after Meeus chapter 49
/// with its periodic and planetary corrections; k = 0 is the new moon of 2000-01-06.
Instant newMoon(int k, double deltaTSeconds = kDeltaTSeconds);

/// The lunation whose new moon lies nearest to `t`.
int lunationNear(Instant t, double deltaTSeconds = kDeltaTSeconds);

/// Altitude of the Moon's centre as seen from a place (topocentric, Meeus chapter 40; no refraction).
double topocentricAltitude(const LunarPosition& moon, double siderealTime, double latitude, double longitude,
                           double elevationMetres);

/// Geocentric angular distance between the Moon's and the Sun's centres (Meeus 48.2).
double elongation(const LunarPosition& moon, const SolarPosition& sun);

} // namespace lumora::hisab
