#include "prayer_corrections.h"

#include "date_helpers.h"

#include <algorithm>

namespace lumora {

bool PrayerCorrections::any() const {
    return std::any_of(minutes.begin(), minutes.end(), [](int m) { return m != 0; });
}

QString correctedTime(const QString& time, int minutes) {
    if (minutes == 0) return time;
    const std::optional<TimeOfDay> t = DateHelpers::parseTime(time);
    // Months are checked before they are kept, but a time that is no time of day is never "corrected" into one.
    if (!t || t->hour < 0 || t->hour > 23 || t->minute < 0 || t->minute > 59) return time;
    const int total = std::clamp(t->hour * 60 + t->minute + minutes, 0, 23 * 60 + 59);
    return QStringLiteral("%1:%2").arg(total / 60, 2, 10, QChar(u'0')).arg(total % 60, 2, 10, QChar(u'0'));
}

PrayerMonthCache corrected(PrayerMonthCache month, const PrayerCorrections& corrections) {
    if (!corrections.any()) return month;
    for (PrayerDay& day : month.days)
        for (PrayerSlot& slot : day.slots)
            slot.time = correctedTime(slot.time, corrections.of(slot.name));
    return month;
}

QString correctionText(int minutes) {
    if (minutes == 0) return {};
    return QStringLiteral("koreksi %1%2 menit").arg(minutes > 0 ? QStringLiteral("+") : QString()).arg(minutes);
}

} // namespace lumora
