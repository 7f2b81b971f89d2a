#pragma once

#include "model/instant.h"
#include "model/prayer_schedule.h"

#include <QString>

#include <optional>

/// Local prayer-time calculation (hisab) after the convention of Indonesia's Ministry of Religious Affairs.
namespace lumora::hisab {

struct Place {
    double latitude = 0;  ///< degrees, north positive
    double longitude = 0; ///< degrees, east positive
    double elevation = 0; ///< metres above the surrounding land; lowers the horizon at terbit and maghrib
};

/// The convention. The defaults reproduce the Ministry's published tables for Jakarta, Makassar and Medan:
/// over some 400 of their times, nine in ten to the minute and all within one. Two points differ from the
/// method as usually written down, and both are needed for that fit: terbit and maghrib are taken at -1
/// degree rather than -0.833 (about 40 s), and dhuhur waits a minute after transit before the precaution.
struct Options {
    double subuhAngle = 20.0; ///< depression of the Sun's centre at subuh, degrees
    double isyaAngle = 18.0;  ///< depression of the Sun's centre at isya, degrees
    /// Altitude of the Sun's centre at terbit and maghrib for a place at elevation 0: the upper limb on the
    /// horizon (semidiameter 16') with refraction (34'), plus the allowance the Ministry's tables carry.
    double horizonAltitude = -1.0;
    double asharShadowFactor = 1.0; ///< shadow = factor x object + noon shadow (1: Shafi'i)
    double ihtiyatMinutes = 2.0;    ///< precaution: added to every start time, taken from terbit
    /// Dhuhur begins once the Sun has cleared the meridian: transit plus this, before the precaution.
    double zawalMinutes = 1.0;
    double deltaTSeconds = 69.0;
};

/// One day's times as computed, before precaution and rounding; none where the Sun does not reach the
/// altitude that day (far from the equator).
struct SolarTimes {
    std::optional<Instant> subuh, terbit, dhuhur, ashar, maghrib, isya;
    /// In slot order; `syuruq` stands for terbit.
    std::optional<Instant> time(PrayerName name) const;
};

/// The raw times of the calendar day (in `DateHelpers::zone()`) holding `anyTimeInDay`; all none for a
/// place with coordinates out of range.
SolarTimes computeDay(const Place& place, Instant anyTimeInDay, const Options& options = {});

/// The time a table shows for a raw time, as an instant on a whole minute: start times (subuh, dhuhur with
/// its zawal, ashar, maghrib, isya) get the precaution added and are rounded up; terbit, which ends subuh,
/// gets it taken off and is rounded down. Each is done exactly once.
Instant scheduledTime(PrayerName name, Instant raw, const Options& options = {});

/// The month holding `anyDayInMonth` as schedule days: per day six slots subuh, syuruq, dhuhur, ashar,
/// maghrib, isya in "HH:mm". A slot whose time does not occur on that day (far from the equator: the Sun
/// does not set, or twilight lasts all night) has an empty time and the reason, never another day's time. No
/// days for a place with coordinates out of range.
PrayerMonthCache computeMonth(const Place& place, Instant anyDayInMonth, const QString& cityCode,
                              const QString& cityName, const Options& options = {});

} // namespace lumora::hisab
