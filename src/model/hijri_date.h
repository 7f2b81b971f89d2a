#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace lumora {

/// A day of the Hijri calendar; month 1 is Muharram.
struct HijriDate {
    int day = 0;
    int month = 0;
    int year = 0;
    bool operator==(const HijriDate&) const = default;
};

/// Which reckoning the Hijri line follows.
enum class HijriCalendarKind {
    indonesia, ///< the crescent criteria Indonesia's Ministry of Religious Affairs applies (MABIMS)
    ummalqura, ///< the Umm al-Qura calendar of Saudi Arabia
};

/// The settings value of a calendar ("indonesia", "ummalqura").
QString hijriCalendarName(HijriCalendarKind kind);
std::optional<HijriCalendarKind> hijriCalendarFromName(const QString& name);

/// The Hijri settings as they take effect, with one Indonesian message per value that was rejected.
struct HijriSettings {
    static constexpr int kMaxOffset = 2;

    HijriCalendarKind calendar = HijriCalendarKind::indonesia;
    /// Days added to the calculated date, -2 ... 2, for users who follow a different sighting.
    int offsetDays = 0;
    QStringList errors;
};

/// How a message repeats a rejected value; the model has no terminal to protect, its callers do.
using EchoValue = QString (*)(const QString& value);

/// Reads the stored `hijriCalendar` and `hijriOffset` values (absent: the defaults). A bad value is left at
/// its default and reported in `errors`, repeated through `echo` (as it is when none is given).
HijriSettings parseHijriSettings(const std::optional<QString>& calendar, const std::optional<QString>& offset,
                                 EchoValue echo = nullptr);

} // namespace lumora
