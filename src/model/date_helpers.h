#pragma once

#include "hijri_date.h"
#include "instant.h"

#include <QString>

#include <memory>
#include <optional>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Calendar;
class Locale;
class TimeZone;
U_NAMESPACE_END

namespace lumora {

/// Hour and minute as read from a schedule string; no range check.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    bool operator==(const TimeOfDay&) const = default;
};

/// Wall-clock fields of an instant in the shared calendar.
struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool operator==(const CivilTime&) const = default;
};

/// A shared date formatter. Formatting and parsing are safe from any thread: each thread works on its own
/// copy.
class DateFormatter {
public:
    enum class Kind { day, month, date, displayTime };
    explicit constexpr DateFormatter(Kind kind) : m_kind(kind) {}
    QString format(Instant t) const;
    /// Parses the whole text (nothing may be left over); none when it does not read.
    std::optional<Instant> parse(const QString& text) const;

private:
    Kind m_kind;
};

/// The shared calendar, zone, locales and formatters. Each is created at first use in the process's time zone
/// of that moment, and made again only by `setZone`.
namespace DateHelpers {

const icu::Locale& posix();
const icu::Locale& idLocale();
const icu::TimeZone& zone();
/// The Gregorian calendar in `zone`. Read-only: clone it to compute.
const icu::Calendar& calendar();
/// The Umm al-Qura calendar. Read-only: clone it to compute.
const icu::Calendar& hijriCalendar();
/// Switches every helper to another zone (empty: the system's zone as it is now), for a zone change while
/// the app runs; true when the zone changed. Formatters and calendars handed out before keep the old zone.
bool setZone(const QString& zoneId = {});
/// The zone's identifier, for example "Asia/Jakarta".
QString zoneId();
/// The zone a TZ value names: an identifier ICU knows ("Asia/Jayapura", ":Asia/Jayapura", a zoneinfo path) or
/// a POSIX rule ("<+14>-14", "WIB-7", "EST5EDT,M3.2.0,M11.1.0"); none when it names neither.
std::unique_ptr<icu::TimeZone> zoneFromTz(const QString& tz);
/// The process's zone as TZ (or, without it, the system) sets it. A TZ that does not read gives UTC, as the C
/// library takes it, with one warning per value.
std::unique_ptr<icu::TimeZone> systemZone();

/// "EEEE, dd MMMM yyyy" in id_ID.
const DateFormatter& dayFormatter();
/// "yyyy-MM", the month key.
const DateFormatter& monthFormatter();
/// "yyyy-MM-dd", the day key.
const DateFormatter& dateFormatter();
/// "HH:mm".
const DateFormatter& displayTimeFormatter();

/// Name of a Hijri month, 1-based; empty outside 1...12.
QString hijriMonthName(int month);

std::optional<TimeOfDay> parseTime(const QString& text);
/// The instant of `time` on `day` ("yyyy-MM-dd") in `zone`; a wall time in a daylight-saving gap moves to the
/// next valid time, one that occurs twice takes the first.
std::optional<Instant> makeDate(const QString& day, const QString& time);
/// Sets hour and minute (seconds 0) on the day that starts at `dayStart`, with the same gap policy.
std::optional<Instant> atTimeOfDay(Instant dayStart, TimeOfDay time);
Instant startOfMonth(Instant t);
/// Midnight at the start of the calendar day holding `t`.
Instant startOfDay(Instant t);
/// `t` moved by whole calendar days or months (wall time kept where it exists); none when the calendar fails.
std::optional<Instant> addDays(Instant t, int days);
std::optional<Instant> addMonths(Instant t, int months);
bool isSameDay(Instant a, Instant b);
CivilTime civil(Instant t);
/// The instant of a wall-clock time in `zone`, with the gap policy above; none for impossible fields.
std::optional<Instant> fromCivil(const CivilTime& c);
/// Maps a Gregorian day (month and day 1-based) to its Hijri date; none outside the calendar's range.
using HijriCalendarFunction = std::optional<HijriDate> (*)(int year, int month, int day);

/// The Umm al-Qura date through ICU, the day taken in `zone`.
std::optional<HijriDate> ummAlQuraDate(int year, int month, int day);
/// The calendar and offset (days, -2 ... 2) that `hijriDay` and `formatHijriDay` use; null is Umm al-Qura,
/// which is also what holds until the program sets one. Set once at start, before other threads format.
void setHijriCalendar(HijriCalendarFunction calendar, int offsetDays = 0);
/// The configured calendar's date for the calendar day holding `t` moved by the offset.
std::optional<HijriDate> hijriDay(Instant t);
/// "7 Ramadhan 1447H", or empty when the month has no name.
QString formatHijriDate(const HijriDate& date);
/// `hijriDay` as text, or empty.
QString formatHijriDay(Instant t);

} // namespace DateHelpers

} // namespace lumora
