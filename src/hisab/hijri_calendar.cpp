#include "hijri_calendar.h"

#include "astro_math.h"

#include "lunar_position.h"
#include "solar_position.h"

#include <algorithm>
#include <cmath>

namespace lumora::hisab {

namespace {

using namespace astro;

namespace chr = std::chrono;

/// The Sun's centre at sunset: semidiameter 16' and refraction 34' below a sea horizon.
constexpr double kSunsetAltitude = -50.0 / 60.0;
constexpr double kHourAngleDegreesPerSecond = 360.0 / 86400.0;
constexpr double kMeanSynodicMonthDays = 29.530588861;

int monthIndex(int year, int month) {
    return year * 12 + (month - 1);
}
constexpr int kEpochIndex = kEpochYear * 12 + (kEpochMonth - 1);
constexpr int kFirstIndex = kFirstYear * 12;
/// One past the last month, so that the last month's length is known.
constexpr int kEndIndex = (kLastYear + 1) * 12;

Instant startOfUtcDay(chr::sys_days day) {
    return Instant::fromUnixSeconds(static_cast<double>(day.time_since_epoch().count()) * 86400.0);
}

/// Sunset at `place` on the UTC date `day`; in Indonesia that is also the local date.
Instant sunset(chr::sys_days day, const Place& place) {
    const double sinLat = std::sin(place.latitude * kRad), cosLat = std::cos(place.latitude * kRad);
    const double sinAlt = std::sin(kSunsetAltitude * kRad);
    // Start from local mean noon plus six hours.
    Instant t = startOfUtcDay(day) + (18.0 - place.longitude / 15.0) * 3600.0;
    for (int i = 0; i < 6; ++i) {
        const SolarPosition sun = solarPosition(t);
        const double dec = sun.declination * kRad;
        const double cosH0 =
            std::clamp((sinAlt - sinLat * std::sin(dec)) / (cosLat * std::cos(dec)), -1.0, 1.0);
        const double target = std::acos(cosH0) / kRad;
        const double h = std::remainder(sun.siderealTime + place.longitude - sun.rightAscension, 360.0);
        const double step = (target - h) / kHourAngleDegreesPerSecond;
        t = t + step;
        if (std::abs(step) < 0.5) break;
    }
    return t;
}

bool crescentMeetsCriteria(chr::sys_days evening) {
    return crescentAtSunset(chr::year_month_day{evening}).meetsCriteria();
}

/// The month's length from its first day: the evening of its 29th decides.
chr::sys_days nextStart(chr::sys_days start) {
    return crescentMeetsCriteria(start + chr::days{28}) ? start + chr::days{29} : start + chr::days{30};
}

/// The first month computed has no month before it to end: it begins after the first evening after its
/// conjunction that meets the criteria (the second evening always does).
chr::sys_days firstStart() {
    const double days = (kFirstIndex - kEpochIndex) * kMeanSynodicMonthDays;
    // A month begins a day or two after its conjunction.
    const Instant approx = startOfUtcDay(chr::sys_days{kEpochDay}) + (days - 1.5) * 86400.0;
    const Instant conjunction = newMoon(lunationNear(approx));
    chr::sys_days evening = chr::floor<chr::days>(
        chr::sys_seconds{chr::seconds{static_cast<long long>(std::floor(conjunction.unixSeconds()))}});
    if (crescentAtSunset(chr::year_month_day{evening}).sunset < conjunction) evening += chr::days{1};
    return crescentMeetsCriteria(evening) ? evening + chr::days{1} : evening + chr::days{2};
}

/// Month starts as day numbers, kept per thread: each is needed again and again (every displayed date, every
/// year listed), and none ever changes. From the epoch on, each month follows the one before. Going back
/// from the epoch the same rule is unstable (an early start only gets earlier), so the months before it run
/// forward from the first month computed; they settle onto the Moon within a few months.
class MonthStarts {
public:
    std::optional<chr::sys_days> start(int index) {
        if (index < kFirstIndex || index > kEndIndex) return std::nullopt;
        auto& v = index >= kEpochIndex ? m_fromEpoch : m_beforeEpoch;
        const int base = index >= kEpochIndex ? kEpochIndex : kFirstIndex;
        if (v.empty()) v.push_back(index >= kEpochIndex ? chr::sys_days{kEpochDay} : firstStart());
        while (static_cast<int>(v.size()) <= index - base)
            v.push_back(nextStart(v.back()));
        return v[index - base];
    }

    static MonthStarts& local() {
        thread_local MonthStarts starts;
        return starts;
    }

private:
    std::vector<chr::sys_days> m_fromEpoch;
    std::vector<chr::sys_days> m_beforeEpoch;
};

} // namespace

bool CrescentObservation::meetsCriteria() const {
    return conjunction < sunset && altitude >= kMinCrescentAltitude && elongation >= kMinCrescentElongation;
}

CrescentObservation crescentAtSunset(chr::year_month_day day, const Place& place) {
    CrescentObservation o;
    o.sunset = sunset(chr::sys_days{day}, place);
    o.conjunction = newMoon(lunationNear(o.sunset));
    const SolarPosition sun = preciseSolarPosition(o.sunset);
    const LunarPosition moon = lunarPosition(o.sunset);
    o.altitude =
        topocentricAltitude(moon, sun.siderealTime, place.latitude, place.longitude, place.elevation);
    o.elongation = elongation(moon, sun);
    return o;
}

chr::year_month_day nextMonthStart(chr::year_month_day first) {
    return chr::year_month_day{nextStart(chr::sys_days{first})};
}

std::optional<chr::year_month_day> monthStart(int year, int month) {
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return std::nullopt;
    const auto s = MonthStarts::local().start(monthIndex(year, month));
    if (!s) return std::nullopt;
    return chr::year_month_day{*s};
}

std::vector<chr::year_month_day> monthStartsOfYear(int year) {
    std::vector<chr::year_month_day> starts;
    if (year < kFirstYear || year > kLastYear) return starts;
    starts.reserve(12);
    for (int month = 1; month <= 12; ++month)
        starts.push_back(*monthStart(year, month));
    return starts;
}

std::optional<HijriDate> indonesianHijriDate(int year, int month, int day) {
    const chr::year_month_day ymd{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                                  chr::day{static_cast<unsigned>(day)}};
    if (!ymd.ok()) return std::nullopt;
    const chr::sys_days d{ymd};
    MonthStarts& starts = MonthStarts::local();

    // The mean month gets within one of the right month; the computed starts settle it.
    int index = kEpochIndex +
                static_cast<int>(std::floor((d - chr::sys_days{kEpochDay}).count() / kMeanSynodicMonthDays));
    for (;;) {
        const auto s = starts.start(index);
        if (!s) return std::nullopt;
        if (*s > d) {
            --index;
            continue;
        }
        const auto next = starts.start(index + 1);
        if (!next) return std::nullopt;
        if (*next <= d) {
            ++index;
            continue;
        }
        return HijriDate{static_cast<int>((d - *s).count()) + 1, index % 12 + 1, index / 12};
    }
}

} // namespace lumora::hisab
