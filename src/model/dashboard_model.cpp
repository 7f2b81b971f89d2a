#include "dashboard_model.h"

#include "date_helpers.h"
#include "raw_value.h"

#include <QJsonArray>

#include <cmath>

namespace lumora {

namespace {

bool evenSecond(Instant t) {
    return static_cast<long long>(std::trunc(t.seconds)) % 2 == 0;
}

// Minutes to the shown time, rounded up; zero or negative once it has passed.
int minutesRemaining(Instant shown, Instant now) {
    return static_cast<int>(std::ceil((shown - now) / 60.0));
}

} // namespace

QString rawValue(DashboardAccent accent) {
    static constexpr RawValueTable<DashboardAccent, 2> names{
        {{DashboardAccent::crimson, u"crimson"}, {DashboardAccent::nightBlue, u"nightBlue"}}};
    return rawValueIn(names, accent);
}

QString dashboardDateLine(const QString& longDate, const QString& hijriDay) {
    return longDate + QStringLiteral(" / ") + hijriDay;
}

QJsonObject DashboardModel::toJson() const {
    QJsonArray rowArray;
    for (const DashboardRow& r : rows)
        rowArray.append(QJsonObject{{QStringLiteral("label"), r.label},
                                    {QStringLiteral("time"), r.time},
                                    {QStringLiteral("highlight"), r.highlight}});
    QJsonObject o{{QStringLiteral("city"), city},
                  {QStringLiteral("title"), title},
                  {QStringLiteral("dateLine"), dateLine},
                  {QStringLiteral("hours"), hours},
                  {QStringLiteral("minutes"), minutes},
                  {QStringLiteral("colonVisible"), colonVisible},
                  {QStringLiteral("timeUrgent"), timeUrgent},
                  {QStringLiteral("countdownLine"), countdownLine},
                  {QStringLiteral("countdownOpacity"), countdownOpacity},
                  {QStringLiteral("countdownScale"), countdownScale},
                  {QStringLiteral("countdownGlow"), countdownGlow},
                  {QStringLiteral("accent"), rawValue(accent)},
                  {QStringLiteral("loading"), loading},
                  {QStringLiteral("scheduleTitle"), scheduleTitle},
                  {QStringLiteral("rows"), rowArray}};
    if (!emptyText.isEmpty()) o.insert(QStringLiteral("emptyText"), emptyText);
    if (!statusLine.isEmpty()) o.insert(QStringLiteral("statusLine"), statusLine);
    return o;
}

DashboardModel dashboardModel(const AppState& state, Instant now, Instant blinkNow, bool isLoading,
                              const QString& locationStatus) {
    DashboardModel m;
    const std::optional<PrayerDisplayState> display = prayerDisplay(now, state.todayDay, state.tomorrowDay);
    if (display) m.phase = display->phase(now);

    m.city = state.cityName.toUpper();

    const PrayerName shown =
        display ? display->prayer : (state.nextPrayer ? state.nextPrayer->name : PrayerName::subuh);
    m.title = displayName(shown);
    std::optional<Instant> shownTime;
    if (display)
        shownTime = display->dateTime;
    else if (state.nextPrayer)
        shownTime = state.nextPrayer->dateTime;

    m.hours = m.minutes = DashboardTexts::kMissingPart;
    if (shownTime) {
        const QStringList parts = DateHelpers::displayTimeFormatter().format(*shownTime).split(u':');
        if (parts.size() > 0 && !parts[0].isEmpty()) m.hours = parts[0];
        if (parts.size() > 1 && !parts[1].isEmpty()) m.minutes = parts[1];
    }

    m.dateLine = dashboardDateLine(DateHelpers::dayFormatter().format(now), DateHelpers::formatHijriDay(now));

    const bool entering = m.phase == PrayerDisplayPhase::entering;
    const bool approaching = m.phase == PrayerDisplayPhase::approaching;
    m.colonVisible = !entering || evenSecond(blinkNow);
    m.timeUrgent = entering || approaching;
    m.accent =
        m.phase == PrayerDisplayPhase::cooldown ? DashboardAccent::nightBlue : DashboardAccent::crimson;

    m.countdownLine = display ? display->secondaryText(now) : state.statusText;
    m.countdownOpacity = (!display || display->isBlinkVisible(now)) ? 1.0 : 0.0;
    if (entering)
        m.countdownScale = 1.08;
    else if (approaching && shownTime && minutesRemaining(*shownTime, now) <= 5)
        m.countdownScale = 1.04; // only just after sunrise: the countdown runs past the shown time
    m.countdownGlow = entering;

    m.loading = isLoading;
    QStringList status;
    // Without a countdown the status is the countdown line already; said twice it reads as a fault.
    if (display && !state.statusText.isEmpty()) status << state.statusText;
    if (!locationStatus.isEmpty()) status << locationStatus;
    m.statusLine = status.join(QStringLiteral(" · "));
    m.scheduleTitle = state.scheduleLabel;

    const std::optional<PrayerDay>& listed =
        state.currentDay ? state.currentDay : (state.todayDay ? state.todayDay : state.tomorrowDay);
    std::optional<PrayerName> highlighted;
    if (display)
        highlighted = display->prayer;
    else if (state.nextPrayer)
        highlighted = state.nextPrayer->name;
    if (listed) {
        for (const PrayerSlot& slot : listed->slots)
            m.rows.append(
                DashboardRow{slot.name, displayName(slot.name), slot.shownTime(), slot.name == highlighted});
    } else {
        m.emptyText = DashboardTexts::kNoSchedule;
    }
    return m;
}

} // namespace lumora
