#include "prayer_display.h"

#include "date_helpers.h"
#include "raw_value.h"

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

constexpr double kDhuhaStart = 900;           // dhuha begins 15 minutes after sunrise
constexpr double kDhuhaWindowEnd = 900 + 600; // ...and is featured for 10 minutes
constexpr int kRecentlyPassedMinutes = 30;

// Elapsed whole minutes, truncated toward zero.
int wholeMinutes(double seconds) {
    return static_cast<int>(std::trunc(seconds / 60.0));
}

void appendDay(QList<PrayerOccurrence>& out, const std::optional<PrayerDay>& day) {
    if (!day) return;
    for (const PrayerSlot& slot : day->slots)
        if (const auto t = DateHelpers::makeDate(day->date, slot.time))
            out.append(PrayerOccurrence{slot.name, *t});
}

} // namespace

QString rawValue(PrayerDisplayMode mode) {
    static constexpr RawValueTable<PrayerDisplayMode, 3> names{{{PrayerDisplayMode::upcoming, u"upcoming"},
                                                                {PrayerDisplayMode::entering, u"entering"},
                                                                {PrayerDisplayMode::passed, u"passed"}}};
    return rawValueIn(names, mode);
}

QString rawValue(PrayerDisplayPhase phase) {
    static constexpr RawValueTable<PrayerDisplayPhase, 4> names{
        {{PrayerDisplayPhase::upcoming, u"upcoming"},
         {PrayerDisplayPhase::approaching, u"approaching"},
         {PrayerDisplayPhase::entering, u"entering"},
         {PrayerDisplayPhase::cooldown, u"cooldown"}}};
    return rawValueIn(names, phase);
}

QList<PrayerOccurrence> buildPrayerOccurrences(const std::optional<PrayerDay>& today,
                                               const std::optional<PrayerDay>& tomorrow) {
    QList<PrayerOccurrence> list;
    list.reserve((today ? today->slots.size() : 0) + (tomorrow ? tomorrow->slots.size() : 0));
    appendDay(list, today);
    appendDay(list, tomorrow);
    std::stable_sort(list.begin(), list.end(), [](const PrayerOccurrence& a, const PrayerOccurrence& b) {
        return a.dateTime < b.dateTime;
    });
    return list;
}

std::optional<PrayerDisplayState> prayerDisplay(Instant now, const std::optional<PrayerDay>& today,
                                                const std::optional<PrayerDay>& tomorrow) {
    const QList<PrayerOccurrence> list = buildPrayerOccurrences(today, tomorrow);

    // Sunrise rule: only a syuruq on the same calendar day as now.
    const Instant dayStart = DateHelpers::startOfDay(now);
    const Instant nextDayStart = DateHelpers::addDays(dayStart, 1).value_or(dayStart + 86400);
    for (const PrayerOccurrence& o : list) {
        if (o.prayer != PrayerName::syuruq || o.dateTime < dayStart || o.dateTime >= nextDayStart) continue;
        const Instant s = o.dateTime;
        if (s + kDhuhaStart <= now && now < s + kDhuhaWindowEnd)
            return PrayerDisplayState{PrayerName::dhuha, s + kDhuhaStart, PrayerDisplayMode::entering,
                                      std::nullopt};
        if (s <= now && now < s + kDhuhaStart)
            return PrayerDisplayState{PrayerName::syuruq, s, PrayerDisplayMode::upcoming, s + kDhuhaStart};
        break;
    }

    const PrayerOccurrence* last = nullptr;
    const PrayerOccurrence* next = nullptr;
    for (const PrayerOccurrence& o : list) {
        if (o.dateTime <= now) {
            last = &o;
        } else {
            next = &o;
            break;
        }
    }

    if (last && wholeMinutes(now - last->dateTime) <= kRecentlyPassedMinutes) {
        const bool justNow = wholeMinutes(now - last->dateTime) == 0;
        return PrayerDisplayState{last->prayer, last->dateTime,
                                  justNow ? PrayerDisplayMode::entering : PrayerDisplayMode::passed,
                                  std::nullopt};
    }
    // The published time already holds the precaution minutes, so the countdown runs until it; an entering
    // phase a minute early would tell a fasting user to break the fast before maghrib.
    if (next)
        return PrayerDisplayState{next->prayer, next->dateTime, PrayerDisplayMode::upcoming, next->dateTime};
    if (last)
        return PrayerDisplayState{last->prayer, last->dateTime, PrayerDisplayMode::passed, std::nullopt};
    return std::nullopt;
}

int PrayerDisplayState::minutesUntilTarget(Instant now) const {
    const double d = countdownTarget.value_or(dateTime) - now;
    if (d <= 0) return 0;
    return static_cast<int>(std::ceil(d / 60.0));
}

PrayerDisplayPhase PrayerDisplayState::phase(Instant now) const {
    switch (mode) {
    case PrayerDisplayMode::upcoming: {
        if (countdownTarget.value_or(dateTime) - now <= 0) return PrayerDisplayPhase::entering;
        const int m = minutesUntilTarget(now);
        return (m >= 6 && m <= 15) ? PrayerDisplayPhase::approaching : PrayerDisplayPhase::upcoming;
    }
    case PrayerDisplayMode::entering:
        return PrayerDisplayPhase::entering;
    case PrayerDisplayMode::passed:
        return wholeMinutes(now - dateTime) <= 5 ? PrayerDisplayPhase::entering
                                                 : PrayerDisplayPhase::cooldown;
    }
    return PrayerDisplayPhase::upcoming;
}

QString PrayerDisplayState::secondaryText(Instant now) const {
    switch (phase(now)) {
    case PrayerDisplayPhase::entering:
        return isAdzanTime(prayer) ? QStringLiteral("SAATNYA ADZAN")
                                   : QStringLiteral("WAKTU ") + rawValue(prayer).toUpper();
    case PrayerDisplayPhase::cooldown:
        return QStringLiteral("+%1 menit").arg(wholeMinutes(now - dateTime));
    case PrayerDisplayPhase::upcoming:
    case PrayerDisplayPhase::approaching:
        return QStringLiteral("-") + formatCountdown(minutesUntilTarget(now));
    }
    return {};
}

bool PrayerDisplayState::isBlinkVisible(Instant now) const {
    const PrayerDisplayPhase p = phase(now);
    if (p == PrayerDisplayPhase::upcoming || p == PrayerDisplayPhase::approaching) return true;
    if (p == PrayerDisplayPhase::cooldown && wholeMinutes(now - dateTime) > 5) return true;
    const auto whole = static_cast<long long>(std::trunc(now.seconds));
    return whole % 2 == 0;
}

bool isAdzanTime(PrayerName prayer) {
    return prayer != PrayerName::syuruq && prayer != PrayerName::dhuha;
}

QString formatCountdown(int minutes) {
    QString out;
    long long a = minutes;
    if (a < 0) {
        out += u'-';
        a = -a;
    }
    if (a >= 60) out += QString::number(a / 60) + QStringLiteral(" jam ");
    out += QString::number(a % 60) + QStringLiteral(" menit");
    return out;
}

} // namespace lumora
