#pragma once

#include "hisab.h"

#include "model/hijri_date.h"
#include "model/instant.h"

#include <chrono>
#include <optional>
#include <vector>

/// The Hijri calendar as Indonesia's Ministry of Religious Affairs reckons it: a month begins on the day
/// after the evening on which, at sunset in the west of the country, the crescent meets the MABIMS criteria
/// (adopted 2022); on an evening that fails them the month completes 30 days.
namespace lumora::hisab {

/// Where the crescent is judged: Banda Aceh, where the Sun sets last in Indonesia.
inline constexpr Place kBandaAceh{5.5483, 95.3238, 0};
/// MABIMS: least topocentric altitude of the Moon's centre and least geocentric elongation, degrees.
inline constexpr double kMinCrescentAltitude = 3.0;
inline constexpr double kMinCrescentElongation = 6.4;

/// The numbering is anchored on one Ministry date, 1 Ramadhan 1446 = 1 March 2025, and runs month by month
/// from there in both directions.
inline constexpr int kEpochYear = 1446;
inline constexpr int kEpochMonth = 9;
inline constexpr std::chrono::year_month_day kEpochDay{std::chrono::year{2025}, std::chrono::March,
                                                       std::chrono::day{1}};
/// The years computed (April 1999 to November 2077). The criteria date from 1443 H; earlier years apply them
/// all the same.
inline constexpr int kFirstYear = 1420;
inline constexpr int kLastYear = 1500;

/// The crescent at one sunset.
struct CrescentObservation {
    /// Sunset: the Sun's upper limb on a sea horizon with standard refraction (centre at -0.833 degrees).
    Instant sunset;
    /// The geocentric conjunction nearest to `sunset`.
    Instant conjunction;
    double altitude = 0;   ///< topocentric altitude of the Moon's centre, no refraction, degrees
    double elongation = 0; ///< geocentric angle Moon - Sun, degrees
    /// The conjunction has passed, and altitude and elongation reach the MABIMS minimums.
    bool meetsCriteria() const;
};

/// The crescent at sunset of the civil day `day` at `place`.
CrescentObservation crescentAtSunset(std::chrono::year_month_day day, const Place& place = kBandaAceh);

/// The first day of the month after the one that began on `first`: the day after its 29th when the crescent
/// meets the criteria that evening, else the day after its 30th.
std::chrono::year_month_day nextMonthStart(std::chrono::year_month_day first);

/// The first day of a Hijri month (1 = Muharram); none outside kFirstYear ... kLastYear.
std::optional<std::chrono::year_month_day> monthStart(int year, int month);

/// The first days of the twelve months of `year` in order; empty outside kFirstYear ... kLastYear.
std::vector<std::chrono::year_month_day> monthStartsOfYear(int year);

/// The Hijri date of a Gregorian day (month and day 1-based); none outside the years computed. Fits
/// `DateHelpers::HijriCalendarFunction`.
std::optional<HijriDate> indonesianHijriDate(int year, int month, int day);

} // namespace lumora::hisab
