#include "lunar_position.h"

#include "astro_math.h"

#include <algorithm>
#include <cmath>

namespace lumora::hisab {

namespace {

using namespace astro;

constexpr double kEarthRadiusKm = 6378.14;

// Multiples of D, M, M', F and the coefficients: longitude in 1e-6 degree (sine), distance in metres
// (cosine). Meeus table 47.A.
struct LongitudeTerm {
    signed char d, m, mp, f;
    double l, r;
};
constexpr LongitudeTerm kLongitudeTerms[] = {
    {0, 0, 1, 0, 6288774, -20905355},
    {2, 0, -1, 0, 1274027, -3699111},
    {2, 0, 0, 0, 658314, -2955968},
    {0, 0, 2, 0, 213618, -569925},
    {0, 1, 0, 0, -185116, 48888},
    {0, 0, 0, 2, -114332, -3149},
    {2, 0, -2, 0, 58793, 246158},
    {2, -1, -1, 0, 57066, -152138},
    {2, 0, 1, 0, 53322, -170733},
    {2, -1, 0, 0, 45758, -204586},
    {0, 1, -1, 0, -40923, -129620},
    {1, 0, 0, 0, -34720, 108743},
    {0, 1, 1, 0, -30383, 104755},
    {2, 0, 0, -2, 15327, 10321},
    {0, 0, 1, 2, -12528, 0},
    {0, 0, 1, -2, 10980, 79661},
    {4, 0, -1, 0, 10675, -34782},
    {0, 0, 3, 0, 10034, -23210},
    {4, 0, -2, 0, 8548, -21636},
    {2, 1, -1, 0, -7888, 24208},
    {2, 1, 0, 0, -6766, 30824},
    {1, 0, -1, 0, -5163, -8379},
    {1, 1, 0, 0, 4987, -16675},
    {2, -1, 1, 0, 4036, -12831},
    {2, 0, 2, 0, 3994, -10445},
    {4, 0, 0, 0, 3861, -11650},
    {2, 0, -3, 0, 3665, 14403},
    {0, 1, -2, 0, -2689, -7003},
    {2, 0, -1, 2, -2602, 0},
    {2, -1, -2, 0, 2390, 10056},
    {1, 0, 1, 0, -2348, 6322},
    {2, -2, 0, 0, 2236, -9884},
    {0, 1, 2, 0, -2120, 5751},
    {0, 2, 0, 0, -2069, 0},
    {2, -2, -1, 0, 2048, -4950},
    {2, 0, 1, -2, -1773, 4130},
    {2, 0, 0, 2, -1595, 0},
    {4, -1, -1, 0, 1215, -3958},
    {0, 0, 2, 2, -1110, 0},
    {3, 0, -1, 0, -892, 3258},
    {2, 1, 1, 0, -810, 2616},
    {4, -1, -2, 0, 759, -1897},
    {0, 2, -1, 0, -713, -2117},
    {2, 2, -1, 0, -700, 2354},
    {2, 1, -2, 0, 691, 0},
    {2, -1, 0, -2, 596, 0},
    {4, 0, 1, 0, 549, -1423},
    {0, 0, 4, 0, 537, -1117},
    {4, -1, 0, 0, 520, -1571},
    {1, 0, -2, 0, -487, -1739},
    {2, 1, 0, -2, -399, 0},
    {0, 0, 2, -2, -381, -4421},
    {1, 1, 1, 0, 351, 0},
    {3, 0, -2, 0, -340, 0},
    {4, 0, -3, 0, 330, 0},
    {2, -1, 2, 0, 327, 0},
    {0, 2, 1, 0, -323, 1165},
    {1, 1, -1, 0, 299, 0},
    {2, 0, 3, 0, 294, 0},
    {2, 0, -1, -2, 0, 8752},
};

// Latitude in 1e-6 degree (sine). Meeus table 47.B.
struct LatitudeTerm {
    signed char d, m, mp, f;
    double b;
};
constexpr LatitudeTerm kLatitudeTerms[] = {
    {0, 0, 0, 1, 5128122}, {0, 0, 1, 1, 280602},  {0, 0, 1, -1, 277693}, {2, 0, 0, -1, 173237},
    {2, 0, -1, 1, 55413},  {2, 0, -1, -1, 46271}, {2, 0, 0, 1, 32573},   {0, 0, 2, 1, 17198},
    {2, 0, 1, -1, 9266},   {0, 0, 2, -1, 8822},   {2, -1, 0, -1, 8216},  {2, 0, -2, -1, 4324},
    {2, 0, 1, 1, 4200},    {2, 1, 0, -1, -3359},  {2, -1, -1, 1, 2463},  {2, -1, 0, 1, 2211},
    {2, -1, -1, -1, 2065}, {0, 1, -1, -1, -1870}, {4, 0, -1, -1, 1828},  {0, 1, 0, 1, -1794},
    {0, 0, 0, 3, -1749},   {0, 1, -1, 1, -1565},  {1, 0, 0, 1, -1491},   {0, 1, 1, 1, -1475},
    {0, 1, 1, -1, -1410},  {0, 1, 0, -1, -1344},  {1, 0, 0, -1, -1335},  {0, 0, 3, 1, 1107},
    {4, 0, 0, -1, 1021},   {4, 0, -1, 1, 833},    {0, 0, 1, -3, 777},    {4, 0, -2, 1, 671},
    {2, 0, 0, -3, 607},    {2, 0, 2, -1, 596},    {2, -1, 1, -1, 491},   {2, 0, -2, 1, -451},
    {0, 0, 3, -1, 439},    {2, 0, 2, 1, 422},     {2, 0, -3, -1, 421},   {2, 1, -1, 1, -366},
    {2, 1, 0, 1, -351},    {4, 0, 0, 1, 331},     {2, -1, 1, 1, 315},    {2, -2, 0, -1, 302},
    {0, 0, 1, 3, -283},    {2, 1, 1, -1, -229},   {1, 1, 0, -1, 223},    {1, 1, 0, 1, 223},
    {0, 1, -2, -1, -220},  {2, 1, -1, -1, -220},  {1, 0, 1, 1, -185},    {2, -1, -2, -1, 181},
    {0, 1, 2, 1, -177},    {4, 0, -2, -1, 176},   {4, -1, -1, -1, 166},  {1, 0, 1, -1, -164},
    {4, 0, 1, -1, 132},    {1, 0, -1, -1, -119},  {4, -1, 0, -1, 115},   {2, -2, 0, 1, 107},
};

// Planetary arguments of the new-moon correction (Meeus 49, A1 ... A14): constant, rate per lunation,
// coefficient in days. A1 also has a T^2 term, added where it is used.
struct PlanetaryTerm {
    double base, rate, coefficient;
};
constexpr PlanetaryTerm kPlanetaryTerms[] = {
    {299.77, 0.107408, 0.000325},  {251.88, 0.016321, 0.000165}, {251.83, 26.651886, 0.000164},
    {349.42, 36.412478, 0.000126}, {84.66, 18.206239, 0.000110}, {141.74, 53.303771, 0.000062},
    {207.14, 2.453732, 0.000060},  {154.84, 7.306860, 0.000056}, {34.52, 27.261239, 0.000047},
    {207.19, 0.121824, 0.000042},  {291.34, 1.844379, 0.000040}, {161.72, 24.198154, 0.000037},
    {239.56, 25.513099, 0.000035}, {331.55, 3.592518, 0.000023},
};

constexpr double kJulianDayOfInstantZero = 2451910.5;
constexpr double kFirstNewMoonJde = 2451550.09766;
constexpr double kSynodicMonth = 29.530588861;

} // namespace

LunarPosition lunarPosition(Instant t, double deltaTSeconds) {
    const double T = (julianDay(t) + deltaTSeconds / 86400.0 - kJ2000) / 36525.0;

    const double Lp = normalized(
        218.3164477 + T * (481267.88123421 + T * (-0.0015786 + T * (1.0 / 538841 - T / 65194000))));
    const double D = normalized(297.8501921 +
                                T * (445267.1114034 + T * (-0.0018819 + T * (1.0 / 545868 - T / 113065000))));
    const double M = normalized(357.5291092 + T * (35999.0502909 + T * (-0.0001536 + T / 24490000)));
    const double Mp =
        normalized(134.9633964 + T * (477198.8675055 + T * (0.0087414 + T * (1.0 / 69699 - T / 14712000))));
    const double F = normalized(
        93.2720950 + T * (483202.0175233 + T * (-0.0036539 + T * (-1.0 / 3526000 + T / 863310000))));
    const double A1 = (119.75 + 131.849 * T) * kRad;
    const double A2 = (53.09 + 479264.290 * T) * kRad;
    const double A3 = (313.45 + 481266.484 * T) * kRad;
    // Terms in M are scaled for the decreasing eccentricity of the Earth's orbit.
    const double E = 1 - T * (0.002516 + T * 0.0000074);
    const double eScale[3] = {1.0, E, E * E};

    const double d = D * kRad, m = M * kRad, mp = Mp * kRad, f = F * kRad, lp = Lp * kRad;
    double sl = 0, sr = 0, sb = 0;
    for (const auto& term : kLongitudeTerms) {
        const double arg = term.d * d + term.m * m + term.mp * mp + term.f * f;
        const double s = eScale[std::abs(term.m)];
        sl += term.l * s * std::sin(arg);
        sr += term.r * s * std::cos(arg);
    }
    for (const auto& term : kLatitudeTerms) {
        const double arg = term.d * d + term.m * m + term.mp * mp + term.f * f;
        sb += term.b * eScale[std::abs(term.m)] * std::sin(arg);
    }
    // Venus (A1), Jupiter (A2) and the flattening of the Earth (L' - F).
    sl += 3958 * std::sin(A1) + 1962 * std::sin(lp - f) + 318 * std::sin(A2);
    sb += -2235 * std::sin(lp) + 382 * std::sin(A3) + 175 * std::sin(A1 - f) + 175 * std::sin(A1 + f) +
          127 * std::sin(lp - mp) - 115 * std::sin(lp + mp);

    // Nutation as the solar position takes it (Meeus 22, main terms), so that both bodies share an equinox.
    const Nutation n = nutation(T);
    const double dPsi = n.dPsi;
    const double eps = n.eps;

    LunarPosition p;
    p.longitude = normalized(Lp + sl / 1e6 + dPsi);
    p.latitude = sb / 1e6;
    p.distance = 385000.56 + sr / 1000.0;
    p.horizontalParallax = std::asin(kEarthRadiusKm / p.distance) / kRad;

    const double lambda = p.longitude * kRad, beta = p.latitude * kRad;
    p.rightAscension = normalized(
        std::atan2(std::sin(lambda) * std::cos(eps) - std::tan(beta) * std::sin(eps), std::cos(lambda)) /
        kRad);
    p.declination =
        std::asin(std::sin(beta) * std::cos(eps) + std::cos(beta) * std::sin(eps) * std::sin(lambda)) / kRad;
    return p;
}

Instant newMoon(int k, double deltaTSeconds) {
    const double T = k / 1236.85;
    double jde =
        kFirstNewMoonJde + kSynodicMonth * k + T * T * (0.00015437 + T * (-0.000000150 + T * 0.00000000073));
    const double E = 1 - T * (0.002516 + T * 0.0000074);
    const double M = (2.5534 + 29.10535670 * k - T * T * (0.0000014 + T * 0.00000011)) * kRad;
    const double Mp =
        (201.5643 + 385.81693528 * k + T * T * (0.0107582 + T * (0.00001238 - T * 0.000000058))) * kRad;
    const double F =
        (160.7108 + 390.67050284 * k - T * T * (0.0016118 + T * (0.00000227 - T * 0.000000011))) * kRad;
    const double omega = (124.7746 - 1.56375588 * k + T * T * (0.0020672 + T * 0.00000215)) * kRad;

    jde += -0.40720 * std::sin(Mp) + 0.17241 * E * std::sin(M) + 0.01608 * std::sin(2 * Mp) +
           0.01039 * std::sin(2 * F) + 0.00739 * E * std::sin(Mp - M) - 0.00514 * E * std::sin(Mp + M) +
           0.00208 * E * E * std::sin(2 * M) - 0.00111 * std::sin(Mp - 2 * F) -
           0.00057 * std::sin(Mp + 2 * F) + 0.00056 * E * std::sin(2 * Mp + M) - 0.00042 * std::sin(3 * Mp) +
           0.00042 * E * std::sin(M + 2 * F) + 0.00038 * E * std::sin(M - 2 * F) -
           0.00024 * E * std::sin(2 * Mp - M) - 0.00017 * std::sin(omega) - 0.00007 * std::sin(Mp + 2 * M) +
           0.00004 * std::sin(2 * Mp - 2 * F) + 0.00004 * std::sin(3 * M) +
           0.00003 * std::sin(Mp + M - 2 * F) + 0.00003 * std::sin(2 * Mp + 2 * F) -
           0.00003 * std::sin(Mp + M + 2 * F) + 0.00003 * std::sin(Mp - M + 2 * F) -
           0.00002 * std::sin(Mp - M - 2 * F) - 0.00002 * std::sin(3 * Mp + M) + 0.00002 * std::sin(4 * Mp);

    bool first = true;
    for (const auto& a : kPlanetaryTerms) {
        double arg = a.base + a.rate * k;
        if (first) arg -= 0.009173 * T * T;
        first = false;
        jde += a.coefficient * std::sin(arg * kRad);
    }
    const double jdUt = jde - deltaTSeconds / 86400.0;
    return Instant{(jdUt - kJulianDayOfInstantZero) * 86400.0};
}

int lunationNear(Instant t, double deltaTSeconds) {
    const double jde = julianDay(t) + deltaTSeconds / 86400.0;
    return static_cast<int>(std::lround((jde - kFirstNewMoonJde) / kSynodicMonth));
}

double topocentricAltitude(const LunarPosition& moon, double siderealTime, double latitude, double longitude,
                           double elevationMetres) {
    // Geocentric place of the observer on the spheroid (Meeus 11).
    const double phi = latitude * kRad;
    const double u = std::atan(0.99664719 * std::tan(phi));
    const double h = elevationMetres / 6378140.0;
    const double rhoSin = 0.99664719 * std::sin(u) + h * std::sin(phi);
    const double rhoCos = std::cos(u) + h * std::cos(phi);

    const double sinPi = std::sin(moon.horizontalParallax * kRad);
    const double H = (siderealTime + longitude - moon.rightAscension) * kRad;
    const double delta = moon.declination * kRad;
    const double denom = std::cos(delta) - rhoCos * sinPi * std::cos(H);
    const double dAlpha = std::atan2(-rhoCos * sinPi * std::sin(H), denom);
    const double deltaTopo = std::atan2((std::sin(delta) - rhoSin * sinPi) * std::cos(dAlpha), denom);
    const double Htopo = H - dAlpha;
    return std::asin(std::sin(phi) * std::sin(deltaTopo) +
                     std::cos(phi) * std::cos(deltaTopo) * std::cos(Htopo)) /
           kRad;
}

double elongation(const LunarPosition& moon, const SolarPosition& sun) {
    const double dm = moon.declination * kRad, ds = sun.declination * kRad;
    const double c =
        std::sin(ds) * std::sin(dm) +
        std::cos(ds) * std::cos(dm) * std::cos((sun.rightAscension - moon.rightAscension) * kRad);
    return std::acos(std::clamp(c, -1.0, 1.0)) / kRad;
}

} // namespace lumora::hisab
