#pragma once

#include "prayer_schedule.h"

#include <QString>

#include <array>

namespace lumora {

/// Whole minutes added to each prayer's time, whatever source gave it, so the times match a local mosque's.
struct PrayerCorrections {
    std::array<int, 7> minutes{};

    int of(PrayerName prayer) const { return minutes[size_t(prayer)]; }
    int& of(PrayerName prayer) { return minutes[size_t(prayer)]; }
    bool any() const;
    bool operator==(const PrayerCorrections&) const = default;
};

/// `time` ("HH:mm") moved by `minutes`, kept within its day (00:00 to 23:59: a correction never moves a
/// time to another day); a time that does not read is left as it is.
QString correctedTime(const QString& time, int minutes);
/// `month` with every slot's time corrected.
PrayerMonthCache corrected(PrayerMonthCache month, const PrayerCorrections& corrections);
/// "koreksi +2 menit", "koreksi -3 menit"; empty for 0.
QString correctionText(int minutes);

} // namespace lumora
