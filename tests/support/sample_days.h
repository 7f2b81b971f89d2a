#pragma once

#include "model/prayer_schedule.h"

namespace lumora::test {

/// A Jakarta day as parsed pages give it: six slots, no dhuha (subuh 04:38, syuruq 05:50, dhuhur 12:01,
/// ashar 15:12, maghrib 18:08, isya 19:17 unless told otherwise).
inline PrayerDay sampleDay(const QString& date, const QString& cityName = "jkt",
                           const QString& subuh = "04:38", const QString& syuruq = "05:50") {
    return PrayerDay{"jkt",
                     cityName,
                     date,
                     {{PrayerName::subuh, subuh},
                      {PrayerName::syuruq, syuruq},
                      {PrayerName::dhuhur, "12:01"},
                      {PrayerName::ashar, "15:12"},
                      {PrayerName::maghrib, "18:08"},
                      {PrayerName::isya, "19:17"}}};
}

} // namespace lumora::test
