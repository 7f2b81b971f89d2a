#pragma once

#include "model/hijri_date.h"

#include <QStringList>

namespace lumora {
class Settings;
}

namespace lumora::cli {

/// The settings keys of the Hijri line.
inline constexpr char kHijriCalendarKey[] = "hijriCalendar";
inline constexpr char kHijriOffsetKey[] = "hijriOffset";

/// The Hijri settings as stored; `errors` holds one message per value that was rejected.
HijriSettings hijriSettings(const Settings& settings);

/// Makes `DateHelpers::formatHijriDay` follow `settings`. The program does this once at start.
void applyHijriSettings(const HijriSettings& settings);

/// `lumora hijri [DATE] [--json] [--calendar indonesia|ummalqura]`: the Hijri date of DATE (today when
/// absent) and the first days of the next three months. Returns the exit status.
int hijri(const QStringList& args);

} // namespace lumora::cli
