#include "solar_position.h"

#include "astro_math.h"

#include <cmath>
#include <cstddef>

namespace lumora::hisab {

namespace {

using namespace astro;

/// Julian day of 2001-01-01 00:00 UTC, the origin of `Instant`.
constexpr double kJulianDayOfInstantZero = 2451910.5;

struct Term {
    double a, b, c;
};

// VSOP87 Earth, heliocentric longitude (L0 ... L5) and radius vector (R0, R1, the larger terms), in 1e-8 rad
// and 1e-8 au; tau in Julian millennia from J2000.0. Meeus appendix III.
constexpr Term kL0[] = {
    {175347046, 0, 0},           {3341656, 4.6692568, 6283.07585},
    {34894, 4.6261, 12566.1517}, {3497, 2.7441, 5753.3849},
    {3418, 2.8289, 3.5231},      {3136, 3.6277, 77713.7715},
    {2676, 4.4181, 7860.4194},   {2343, 6.1352, 3930.2097},
    {1324, 0.7425, 11506.7698},  {1273, 2.0371, 529.691},
    {1199, 1.1096, 1577.3435},   {990, 5.233, 5884.927},
    {902, 2.045, 26.298},        {857, 3.508, 398.149},
    {780, 1.179, 5223.694},      {753, 2.533, 5507.553},
    {505, 4.583, 18849.228},     {492, 4.205, 775.523},
    {357, 2.92, 0.067},          {317, 5.849, 11790.629},
    {284, 1.899, 796.298},       {271, 0.315, 10977.079},
    {243, 0.345, 5486.778},      {206, 4.806, 2544.314},
    {205, 1.869, 5573.143},      {202, 2.458, 6069.777},
    {156, 0.833, 213.299},       {132, 3.411, 2942.463},
    {126, 1.083, 20.775},        {115, 0.645, 0.98},
    {103, 0.636, 4694.003},      {102, 0.976, 15720.839},
    {102, 4.267, 7.114},         {99, 6.21, 2146.17},
    {98, 0.68, 155.42},          {86, 5.98, 161000.69},
    {85, 1.30, 6275.96},         {85, 3.67, 71430.70},
    {80, 1.81, 17260.15},        {79, 3.04, 12036.46},
    {75, 1.76, 5088.63},         {74, 3.50, 3154.69},
    {74, 4.68, 801.82},          {70, 0.83, 9437.76},
    {62, 3.98, 8827.39},         {61, 1.82, 7084.90},
    {57, 2.78, 6286.60},         {56, 4.39, 14143.50},
    {56, 3.47, 6279.55},         {52, 0.19, 12139.55},
    {52, 1.33, 1748.02},         {51, 0.28, 5856.48},
    {49, 0.49, 1194.45},         {41, 5.37, 8429.24},
    {41, 2.40, 19651.05},        {39, 6.17, 10447.39},
    {37, 6.04, 10213.29},        {37, 2.57, 1059.38},
    {36, 1.71, 2352.87},         {36, 1.78, 6812.77},
    {33, 0.59, 17789.85},        {30, 0.44, 83996.85},
    {30, 2.74, 1349.87},         {25, 3.16, 4690.48},
};
constexpr Term kL1[] = {
    {628331966747, 0, 0},       {206059, 2.678235, 6283.07585},
    {4303, 2.6351, 12566.1517}, {425, 1.590, 3.523},
    {119, 5.796, 26.298},       {109, 2.966, 1577.344},
    {93, 2.59, 18849.23},       {72, 1.14, 529.69},
    {68, 1.87, 398.15},         {67, 4.41, 5507.55},
    {59, 2.89, 5223.69},        {56, 2.17, 155.42},
    {45, 0.40, 796.30},         {36, 0.47, 775.52},
    {29, 2.65, 7.11},           {21, 5.34, 0.98},
    {19, 1.85, 5486.78},        {19, 4.97, 213.30},
    {17, 2.99, 6275.96},        {16, 0.03, 2544.31},
    {16, 1.43, 2146.17},        {15, 1.21, 10977.08},
    {12, 2.83, 1748.02},        {12, 3.26, 5088.63},
    {12, 5.27, 1194.45},        {12, 2.08, 4694.00},
    {11, 0.77, 553.57},         {10, 1.30, 6286.60},
    {10, 4.24, 1349.87},        {9, 2.70, 242.73},
    {9, 5.64, 951.72},          {8, 5.30, 2352.87},
    {6, 2.65, 9437.76},         {6, 4.67, 4690.48},
};
constexpr Term kL2[] = {
    {52919, 0, 0},     {8720, 1.0721, 6283.0758}, {309, 0.867, 12566.152}, {27, 0.05, 3.52},
    {16, 5.19, 26.30}, {16, 3.68, 155.42},        {10, 0.76, 18849.23},    {9, 2.06, 77713.77},
    {7, 0.83, 775.52}, {5, 4.66, 1577.34},        {4, 1.03, 7.11},         {4, 3.44, 5573.14},
    {3, 5.14, 796.30}, {3, 6.05, 5507.55},        {3, 1.19, 242.73},       {3, 6.12, 529.69},
    {3, 0.31, 398.15}, {3, 2.28, 553.57},         {2, 4.38, 5223.69},      {2, 3.75, 0.98},
};
constexpr Term kL3[] = {
    {289, 5.844, 6283.076}, {35, 0, 0},          {17, 5.49, 12566.15}, {3, 5.20, 155.42},
    {1, 4.72, 3.52},        {1, 5.30, 18849.23}, {1, 5.97, 242.73},
};
constexpr Term kL4[] = {{114, 3.142, 0}, {8, 4.13, 6283.08}, {1, 3.84, 12566.15}};
constexpr Term kL5[] = {{1, 3.14, 0}};
constexpr Term kR0[] = {
    {100013989, 0, 0},          {1670700, 3.0984635, 6283.07585}, {13956, 3.05525, 12566.1517},
    {3084, 5.1985, 77713.7715}, {1628, 1.1739, 5753.3849},        {1576, 2.8469, 7860.4194},
};
constexpr Term kR1[] = {{103019, 1.10749, 6283.07585}, {1721, 1.0644, 12566.1517}};

template <std::size_t N> double series(const Term (&terms)[N], double tau) {
    double sum = 0;
    for (const Term& t : terms)
        sum += t.a * std::cos(t.b + t.c * tau);
    return sum;
}

} // namespace

SolarPosition preciseSolarPosition(Instant t, double deltaTSeconds) {
    SolarPosition p = solarPosition(t, deltaTSeconds);
    const double jde = julianDay(t) + deltaTSeconds / 86400.0;
    const double tau = (jde - kJ2000) / 365250.0;
    const double L =
        (series(kL0, tau) +
         tau * (series(kL1, tau) +
                tau * (series(kL2, tau) +
                       tau * (series(kL3, tau) + tau * (series(kL4, tau) + tau * series(kL5, tau)))))) /
        1e8;
    const double R = (series(kR0, tau) + tau * series(kR1, tau)) / 1e8;
    const Nutation n = nutation(tau * 10.0);
    // Geocentric: the Earth's longitude turned half round; then FK5, nutation and aberration.
    const double theta = L / kRad + 180.0 - 0.09033 / 3600.0;
    const double lambda = (theta + n.dPsi - 20.4898 / 3600.0 / R) * kRad;
    p.rightAscension = normalized(std::atan2(std::cos(n.eps) * std::sin(lambda), std::cos(lambda)) / kRad);
    p.declination = std::asin(std::sin(n.eps) * std::sin(lambda)) / kRad;
    return p;
}

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
    const Nutation n = nutation(T);
    const double dPsi = n.dPsi;
    const double eps = n.eps;

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
