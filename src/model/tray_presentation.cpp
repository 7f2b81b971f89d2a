#include "tray_presentation.h"

#include "date_helpers.h"
#include "raw_value.h"

#include <cmath>
#include <cstdlib>

namespace lumora {

namespace {

int truncatedMinutes(double seconds) {
    return static_cast<int>(std::trunc(seconds / 60.0));
}

// Sunrise and dhuha come in; only the obligatory prayers have an adzan.
QString enteringWord(PrayerName prayer) {
    return isAdzanTime(prayer) ? QStringLiteral("ADZAN") : QStringLiteral("MASUK");
}

constexpr RawValueTable<StatusColor, 5> kStatusColors{{{StatusColor::label, u"label"},
                                                       {StatusColor::orange, u"orange"},
                                                       {StatusColor::red, u"red"},
                                                       {StatusColor::clear, u"clear"},
                                                       {StatusColor::darkBlue, u"darkBlue"}}};

bool evenSecond(Instant t) {
    return static_cast<long long>(std::trunc(t.seconds)) % 2 == 0;
}

} // namespace

QString rawValue(StatusColor color) {
    return rawValueIn(kStatusColors, color);
}

std::optional<StatusColor> statusColorFromRaw(const QString& raw) {
    return fromRawValueIn(kStatusColors, QStringView(raw));
}

QString compactMinutes(int minutes) {
    const long long a = std::llabs(static_cast<long long>(minutes));
    if (a >= 60) return QStringLiteral("-%1j %2m").arg(a / 60).arg(a % 60);
    return QStringLiteral("-%1m").arg(a);
}

QString compactCountdownText(const PrayerDisplayState& display, Instant now, Instant /*blinkNow*/) {
    switch (display.phase(now)) {
    case PrayerDisplayPhase::upcoming:
    case PrayerDisplayPhase::approaching:
        // Rounded up, as the window and the widget count: 59 s before reads "-1m", never "-0m".
        return compactMinutes(display.minutesUntilTarget(now));
    case PrayerDisplayPhase::entering:
        return enteringWord(display.prayer);
    case PrayerDisplayPhase::cooldown:
        return QStringLiteral("+%1m").arg(truncatedMinutes(now - display.dateTime));
    }
    return {};
}

QString trayTitle(const QString& prayerLabel, const QString& countdown,
                     const std::optional<PrayerDisplayState>& display, Instant now) {
    if (display && display->phase(now) == PrayerDisplayPhase::entering)
        return QStringLiteral(" ") + prayerLabel + u' ' + enteringWord(display->prayer);
    return QStringLiteral(" ") + prayerLabel + QStringLiteral(" ") + countdown;
}

StatusColor statusColor(const std::optional<PrayerDisplayState>& display, Instant now, Instant blinkNow) {
    if (!display) return StatusColor::label;
    switch (display->phase(now)) {
    case PrayerDisplayPhase::upcoming:
        return StatusColor::label;
    case PrayerDisplayPhase::approaching:
        return StatusColor::orange;
    case PrayerDisplayPhase::entering:
        return evenSecond(blinkNow) ? StatusColor::red : StatusColor::clear;
    case PrayerDisplayPhase::cooldown:
        return StatusColor::darkBlue;
    }
    return StatusColor::label;
}

TrayPresentation presentTray(const AppState& state, Instant now, Instant blinkNow,
                             const QString& locationStatus) {
    TrayPresentation p;
    p.display = prayerDisplay(now, state.todayDay, state.tomorrowDay);
    if (p.display) {
        p.prayerLabel = displayName(p.display->prayer);
        p.menuTime = p.display->dateTime;
        p.countdown = compactCountdownText(*p.display, now, blinkNow);
    } else {
        p.prayerLabel = state.nextPrayer ? displayName(state.nextPrayer->name) : QStringLiteral("JADWAL");
        p.menuTime = state.nextPrayer ? state.nextPrayer->dateTime : now;
        p.countdown = state.statusText;
    }
    p.menuTimeText = DateHelpers::displayTimeFormatter().format(p.menuTime);
    p.title = trayTitle(p.prayerLabel, p.countdown, p.display, now);
    p.color = statusColor(p.display, now, blinkNow);

    QStringList lines{state.cityName};
    if (p.display || state.nextPrayer) lines.append(p.prayerLabel + QStringLiteral(" ") + p.menuTimeText);
    lines.append(p.display ? p.display->secondaryText(now) : state.statusText);
    // A user who sees computed times, or none, can tell from the panel whether the location is the reason.
    if (!locationStatus.isEmpty()) lines.append(locationStatus);
    p.tooltip = lines.join(u'\n');
    return p;
}

} // namespace lumora
