#include "app_state.h"

#include "date_helpers.h"

#include <QJsonArray>

namespace lumora {

AppState AppState::placeholder() {
    AppState s;
    s.cityName = fallbackJakarta().name;
    s.cityCode = fallbackJakarta().code;
    s.scheduleLabel = StateTexts::kScheduleToday;
    s.statusText = StateTexts::kLoading;
    return s;
}

QJsonObject AppState::toJson() const {
    QJsonObject o{{QStringLiteral("cityName"), cityName},
                  {QStringLiteral("cityCode"), cityCode},
                  {QStringLiteral("todayLabel"), todayLabel},
                  {QStringLiteral("scheduleLabel"), scheduleLabel},
                  {QStringLiteral("statusText"), statusText}};
    if (nextPrayer)
        o.insert(QStringLiteral("nextPrayer"),
                 QJsonObject{{QStringLiteral("name"), rawValue(nextPrayer->name)},
                             {QStringLiteral("dateTime"), nextPrayer->dateTime.seconds},
                             {QStringLiteral("cityName"), nextPrayer->cityName}});
    if (currentDay) o.insert(QStringLiteral("currentDay"), currentDay->toJson());
    if (todayDay) o.insert(QStringLiteral("todayDay"), todayDay->toJson());
    if (tomorrowDay) o.insert(QStringLiteral("tomorrowDay"), tomorrowDay->toJson());
    return o;
}

QList<PrayerOccurrence> buildOccurrences(const std::optional<PrayerDay>& today,
                                         const std::optional<PrayerDay>& tomorrow) {
    return buildPrayerOccurrences(today, tomorrow);
}

std::optional<NextPrayer> findNextPrayer(Instant now, const std::optional<PrayerDay>& today,
                                         const std::optional<PrayerDay>& tomorrow) {
    for (const PrayerOccurrence& o : buildOccurrences(today, tomorrow)) {
        if (o.dateTime > now)
            return NextPrayer{o.prayer, o.dateTime, today ? today->cityName : tomorrow->cityName};
    }
    return std::nullopt;
}

AppState buildState(const CityEntry& city, const PrayerMonthCache& currentLoad,
                    const PrayerMonthCache& nextLoad, const std::optional<GeoPoint>& location, Instant now) {
    const QString todayKey = DateHelpers::dateFormatter().format(now);
    const std::optional<PrayerDay> today = findDay(currentLoad.days, todayKey);
    const Instant tomorrowMoment = DateHelpers::addDays(now, 1).value_or(now);
    const QString tomorrowKey = DateHelpers::dateFormatter().format(tomorrowMoment);
    std::optional<PrayerDay> tomorrow = findDay(currentLoad.days, tomorrowKey);
    if (!tomorrow) tomorrow = findDay(nextLoad.days, tomorrowKey);

    AppState s;
    s.cityName = city.name;
    s.cityCode = city.code;
    s.todayLabel = DateHelpers::dayFormatter().format(now);
    s.scheduleLabel = StateTexts::kScheduleToday;

    if (!today && !tomorrow) {
        s.statusText = StateTexts::kLoadFailed + city.name;
        return s;
    }

    s.nextPrayer = findNextPrayer(now, today, tomorrow);
    const bool nextIsLaterDay = s.nextPrayer && !DateHelpers::isSameDay(s.nextPrayer->dateTime, now);
    if (nextIsLaterDay) s.scheduleLabel = StateTexts::kScheduleTomorrow;
    s.currentDay = (nextIsLaterDay && tomorrow) ? tomorrow : today;
    s.todayDay = today;
    s.tomorrowDay = tomorrow;
    s.statusText = location ? StateTexts::kLocationDetected + city.name : StateTexts::kFallbackJakarta;
    return s;
}

} // namespace lumora
