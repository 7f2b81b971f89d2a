#include "solar_position.h"

#include <cmath>

namespace lumora::hisab {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180.0;
/// Julian day of 2001-01-01 00:00 UTC, the origin of `Instant`.
constexpr double kJulianDayOfInstantZero = 2451910.5;
constexpr double kJ2000 = 2451545.0;

double normalized(double degrees) {
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

} // namespace

double julianDay(Instant t) {
    return kJulianDayOfInstantZero + t.seconds / 86400.0;
}

SolarPosition solarPosition(Instant t, double deltaTSeconds) {
    const double jd = julianDay(t);
    // The Sun's motion runs on dynamical time; the Earth's rotation (sidereal time) on UT.
    const double T = (jd + deltaTSeconds / 86400.0 - kJ2000) / 36525.0;

    const double L0 = normalized(280.46646 + T * (36000.76983 + T * 0.0003032));
    const double M = (357.52911 + T * (35999.05029 - T * 0.0001537)) * kRad;
    const double C = (1.914602 - T * (0.004817 + T * 0.000014)) * std::sin(M) +
                     (0.019993 - T * 0.000101) * std::sin(2 * M) + 0.000289 * std::sin(3 * M);
    const double omega = (125.04452 - 1934.136261 * T) * kRad;
    const double moonL = (218.3165 + 481267.8813 * T) * kRad;
    const double sunL = (280.4665 + 36000.7698 * T) * kRad;

    // Nutation in longitude and obliquity (Meeus 22, the four main terms), in degrees.
    const double dPsi = (-17.20 * std::sin(omega) - 1.32 * std::sin(2 * sunL) - 0.23 * std::sin(2 * moonL) +
                         0.21 * std::sin(2 * omega)) /
                        3600.0;
    const double dEps = (9.20 * std::cos(omega) + 0.57 * std::cos(2 * sunL) + 0.10 * std::cos(2 * moonL) -
                         0.09 * std::cos(2 * omega)) /
                        3600.0;
    const double eps0 = 23.0 + 26.0 / 60.0 + (21.448 - T * (46.8150 + T * (0.00059 - T * 0.001813))) / 3600.0;
    const double eps = (eps0 + dEps) * kRad;

    // Apparent longitude: true longitude, nutation and aberration (-20.4898").
    const double lambda = (L0 + C + dPsi - 20.4898 / 3600.0) * kRad;
    const double alpha = normalized(std::atan2(std::cos(eps) * std::sin(lambda), std::cos(lambda)) / kRad);

    SolarPosition p;
    p.declination = std::asin(std::sin(eps) * std::sin(lambda)) / kRad;
    p.rightAscension = alpha;

    const double d = jd - kJ2000;
    const double Tu = d / 36525.0;
    const double gmst = 280.46061837 + 360.98564736629 * d + Tu * Tu * (0.000387933 - Tu / 38710000.0);
    p.siderealTime = normalized(gmst + dPsi * std::cos(eps));

    // Meeus 28.3: E = L0 - 0.0057183 - alpha + dPsi cos(eps), brought into -180 ... 180.
    double e = L0 - 0.0057183 - alpha + dPsi * std::cos(eps);
    e = std::remainder(e, 360.0);
    p.equationOfTime = e * 4.0;
    return p;
}

} // namespace lumora::hisab
