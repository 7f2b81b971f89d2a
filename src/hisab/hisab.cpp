#include "hisab.h"

#include "astro_math.h"

#include "hisab/hisab_log.h"

#include "solar_position.h"

#include "model/date_helpers.h"

#include <array>
#include <cmath>

namespace lumora::hisab {

namespace {

using namespace astro;

/// How fast the Sun's hour angle grows: one turn per mean solar day.
constexpr double kHourAngleDegreesPerSecond = 360.0 / 86400.0;
/// Iterations stop once a step is below this; a tenth of a second is far inside a minute's rounding.
constexpr double kConvergedSeconds = 0.1;
constexpr int kMaxIterations = 8;

constexpr std::array<PrayerName, 6> kSlotOrder = {PrayerName::subuh, PrayerName::syuruq,  PrayerName::dhuhur,
                                                  PrayerName::ashar, PrayerName::maghrib, PrayerName::isya};

bool isValid(const Place& p) {
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::isfinite(p.elevation) &&
           std::abs(p.latitude) <= 90.0 && std::abs(p.longitude) <= 180.0;
}

class Solver {
public:
    Solver(const Place& place, const Options& options) : m_place(place), m_options(options) {
        m_sinLat = std::sin(place.latitude * kRad);
        m_cosLat = std::cos(place.latitude * kRad);
    }

    /// Local hour angle of the Sun at `t` in -180 ... 180 degrees, and its declination.
    double hourAngle(Instant t, double& declination) const {
        const SolarPosition p = solarPosition(t, m_options.deltaTSeconds);
        declination = p.declination;
        return std::remainder(p.siderealTime + m_place.longitude - p.rightAscension, 360.0);
    }

    /// The meridian transit nearest to `guess`.
    Instant transit(Instant guess) const {
        Instant t = guess;
        double declination = 0;
        for (int i = 0; i < kMaxIterations; ++i) {
            const double step = -hourAngle(t, declination) / kHourAngleDegreesPerSecond;
            t = t + step;
            if (std::abs(step) < kConvergedSeconds) break;
        }
        return t;
    }

    /// When the Sun's centre passes `altitude` before (side -1) or after (side +1) the transit.
    std::optional<Instant> crossing(Instant transit, double altitude, int side) const {
        const double sinAlt = std::sin(altitude * kRad);
        Instant t = transit;
        for (int i = 0; i < kMaxIterations; ++i) {
            double declination = 0;
            const double h = hourAngle(t, declination);
            const double cosH0 = (sinAlt - m_sinLat * std::sin(declination * kRad)) /
                                 (m_cosLat * std::cos(declination * kRad));
            // Also false for NaN (at a pole).
            if (!(std::abs(cosH0) <= 1.0)) return std::nullopt;
            const double target = side * std::acos(cosH0) / kRad;
            const double step = (target - h) / kHourAngleDegreesPerSecond;
            t = t + step;
            if (std::abs(step) < kConvergedSeconds) break;
        }
        return t;
    }

    double declinationAt(Instant t) const {
        double declination = 0;
        hourAngle(t, declination);
        return declination;
    }

    /// Why `name` has no time on the solar day of `noon`, from how high the Sun stands at its upper and
    /// lower transit that day; a time that exists but falls on another calendar day gets its own reason.
    QString absenceReason(PrayerName name, Instant noon) const {
        const double declination = declinationAt(noon);
        const double highest = 90.0 - std::abs(m_place.latitude - declination);
        const double lowest = std::abs(m_place.latitude + declination) - 90.0;
        const auto twilight = [&](double angle) {
            if (lowest > -angle)
                return QStringLiteral("Matahari tidak turun sampai %1° di bawah ufuk").arg(angle);
            if (highest < -angle)
                return QStringLiteral("Matahari tidak naik sampai %1° di bawah ufuk").arg(angle);
            return QString();
        };
        QString reason;
        switch (name) {
        case PrayerName::subuh:
            reason = twilight(m_options.subuhAngle);
            break;
        case PrayerName::isya:
            reason = twilight(m_options.isyaAngle);
            break;
        case PrayerName::syuruq:
        case PrayerName::maghrib:
            if (lowest > horizon())
                reason = QStringLiteral("Matahari tidak terbenam");
            else if (highest < horizon())
                reason = QStringLiteral("Matahari tidak terbit");
            break;
        case PrayerName::ashar: {
            // Whenever the Sun is up at noon the ashar altitude lies below the noon altitude, so only a Sun
            // that never rises or never gets that low (near a pole in summer) leaves ashar out.
            const double cotAltitude =
                m_options.asharShadowFactor + std::tan(std::abs(m_place.latitude - declination) * kRad);
            if (highest <= 0 || cotAltitude <= 0)
                reason = QStringLiteral("Matahari tidak naik di atas ufuk");
            else if (lowest > std::atan(1.0 / cotAltitude) / kRad)
                reason = QStringLiteral("bayangan tidak sampai sepanjang waktu ashar");
            break;
        }
        case PrayerName::dhuhur:
        case PrayerName::dhuha:
            break;
        }
        return reason.isEmpty() ? QStringLiteral("waktunya tidak jatuh pada tanggal ini") : reason;
    }

    SolarTimes compute(Instant localNoon) const {
        SolarTimes s;
        const Instant noon = transit(localNoon);
        s.dhuhur = noon;
        s.subuh = crossing(noon, -m_options.subuhAngle, -1);
        s.isya = crossing(noon, -m_options.isyaAngle, +1);

        s.terbit = crossing(noon, horizon(), -1);
        s.maghrib = crossing(noon, horizon(), +1);

        // Ashar: the shadow reaches factor x the object plus the shadow it cast at noon.
        const double noonShadow = std::tan(std::abs(m_place.latitude - declinationAt(noon)) * kRad);
        const double cotAltitude = m_options.asharShadowFactor + noonShadow;
        if (cotAltitude > 0) s.ashar = crossing(noon, std::atan(1.0 / cotAltitude) / kRad, +1);
        return s;
    }

private:
    /// The Sun's altitude at terbit and maghrib: the horizon seen from a height lies lower by the dip,
    /// 1.76' x sqrt(metres).
    double horizon() const {
        const double dip = m_place.elevation > 0 ? 1.76 / 60.0 * std::sqrt(m_place.elevation) : 0.0;
        return m_options.horizonAltitude - dip;
    }

    const Place& m_place;
    const Options& m_options;
    double m_sinLat = 0;
    double m_cosLat = 1;
};

/// "HH:mm" of a whole number of minutes, given in seconds, since midnight.
QString wallClock(double secondsSinceMidnight) {
    const int minutes = static_cast<int>(std::lround(secondsSinceMidnight / 60.0));
    const QChar zero(u'0');
    return QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, zero).arg(minutes % 60, 2, 10, zero);
}

std::optional<Instant> noonOf(int year, int month, int day) {
    return DateHelpers::fromCivil(CivilTime{year, month, day, 12, 0, 0});
}

} // namespace

std::optional<Instant> SolarTimes::time(PrayerName name) const {
    switch (name) {
    case PrayerName::subuh:
        return subuh;
    case PrayerName::syuruq:
        return terbit;
    case PrayerName::dhuhur:
        return dhuhur;
    case PrayerName::ashar:
        return ashar;
    case PrayerName::maghrib:
        return maghrib;
    case PrayerName::isya:
        return isya;
    case PrayerName::dhuha:
        break;
    }
    return std::nullopt;
}

SolarTimes computeDay(const Place& place, Instant anyTimeInDay, const Options& options) {
    if (!isValid(place)) return {};
    const CivilTime c = DateHelpers::civil(anyTimeInDay);
    const auto noon = noonOf(c.year, c.month, c.day);
    if (!noon) return {};
    return Solver(place, options).compute(*noon);
}

Instant scheduledTime(PrayerName name, Instant raw, const Options& options) {
    // Whole minutes of UTC are whole minutes of the wall clock: zone offsets are whole minutes.
    const double ihtiyat = options.ihtiyatMinutes * 60.0;
    switch (name) {
    case PrayerName::syuruq:
        // Terbit ends subuh, so the safe side is earlier.
        return Instant{std::floor((raw.seconds - ihtiyat) / 60.0) * 60.0};
    case PrayerName::dhuhur:
        return Instant{std::ceil((raw.seconds + options.zawalMinutes * 60.0 + ihtiyat) / 60.0) * 60.0};
    default:
        return Instant{std::ceil((raw.seconds + ihtiyat) / 60.0) * 60.0};
    }
}

PrayerMonthCache computeMonth(const Place& place, Instant anyDayInMonth, const QString& cityCode,
                              const QString& cityName, const Options& options) {
    PrayerMonthCache month;
    month.cityCode = cityCode;
    month.month = DateHelpers::monthFormatter().format(anyDayInMonth);
    if (!isValid(place)) {
        qCDebug(hisabLog) << "no times for a place outside the valid range:" << place.latitude
                          << place.longitude;
        return month;
    }

    const CivilTime c = DateHelpers::civil(anyDayInMonth);
    const Solver solver(place, options);
    auto dayStart = DateHelpers::fromCivil(CivilTime{c.year, c.month, 1, 0, 0, 0});
    for (int day = 1; dayStart; ++day) {
        const auto noon = noonOf(c.year, c.month, day);
        if (!noon) break;
        // The next day's midnight, in the next month after the last day.
        auto nextStart = DateHelpers::fromCivil(CivilTime{c.year, c.month, day + 1, 0, 0, 0});
        if (!nextStart)
            nextStart = DateHelpers::fromCivil(
                CivilTime{c.month == 12 ? c.year + 1 : c.year, c.month == 12 ? 1 : c.month + 1, 1, 0, 0, 0});

        const SolarTimes times = solver.compute(*noon);
        // Far from the zone's meridian (a device clock on another zone than the place's) a time can fall on
        // the calendar day before or after; that day holds the same prayer of the neighbouring solar day
        // instead, so every day keeps all its times and none is counted twice.
        std::optional<SolarTimes> before, after;
        auto inDay = [&](Instant t) { return t >= *dayStart && (!nextStart || t < *nextStart); };
        PrayerDay out{cityCode, cityName, DateHelpers::dateFormatter().format(*noon), {}};
        out.slots.reserve(static_cast<qsizetype>(kSlotOrder.size()));
        // On a day of 24 hours with noon 12 hours in, the offset does not change, so the wall clock is the
        // time since midnight; only a day with a change needs the formatter.
        const bool uniformDay = nextStart && *nextStart - *dayStart == 86400 && *noon - *dayStart == 43200;
        for (PrayerName name : kSlotOrder) {
            std::optional<Instant> t;
            // The solar day whose time this slot shows, for the reason when it has none.
            Instant solarNoon = *noon;
            if (const auto raw = times.time(name)) t = scheduledTime(name, *raw, options);
            if (t && *t < *dayStart) {
                if (!after) after = solver.compute(*noon + 86400);
                solarNoon = *noon + 86400;
                const auto raw = after->time(name);
                t = raw ? std::optional(scheduledTime(name, *raw, options)) : std::nullopt;
            } else if (t && nextStart && *t >= *nextStart) {
                if (!before) before = solver.compute(*noon - 86400);
                solarNoon = *noon - 86400;
                const auto raw = before->time(name);
                t = raw ? std::optional(scheduledTime(name, *raw, options)) : std::nullopt;
            }
            // A time that does not occur keeps its slot, empty and with the reason; no other day's time
            // stands in for it.
            if (!t || !inDay(*t)) {
                out.slots.append(PrayerSlot{name, QString(), solver.absenceReason(name, solarNoon)});
                continue;
            }
            out.slots.append(PrayerSlot{name, uniformDay ? wallClock(*t - *dayStart)
                                                         : DateHelpers::displayTimeFormatter().format(*t)});
        }
        month.days.append(out);
        dayStart = nextStart;
    }
    return month;
}

} // namespace lumora::hisab
