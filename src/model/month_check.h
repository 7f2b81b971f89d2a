#pragma once

#include "prayer_schedule.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace lumora {

/// The longest time text a schedule may hold ("HH:mm:ss"); anything longer is not a time.
inline constexpr qsizetype kMaxTimeTextChars = 8;

/// Whether `text` is a clock time "HH:mm", 00:00 to 23:59, in ASCII digits.
bool isClockTime(QStringView text);

/// Why `month` cannot be shown or saved as a schedule, or none when it can. A sound month has at most as
/// many days as the month has, each dated once, inside the month, and each day holds subuh, syuruq, dhuhur,
/// ashar, maghrib and isya once, as clock times in that order (a dhuha time, where there is one, sits between
/// syuruq and dhuhur). Its days need not be whole: a month without days is sound, just empty.
std::optional<QString> monthProblem(const PrayerMonthCache& month);

} // namespace lumora
