#include "widget_schedule.h"

#include "date_helpers.h"
#include "widget_presenter.h"

#include <algorithm>

namespace lumora {

namespace {

const std::optional<PrayerDay>& listedDay(const std::optional<PrayerDisplayState>& display,
                                          const std::optional<PrayerDay>& today,
                                          const std::optional<PrayerDay>& tomorrow) {
    if (display) {
        const QString date = DateHelpers::dateFormatter().format(display->dateTime);
        if (today && today->date == date) return today;
        if (tomorrow && tomorrow->date == date) return tomorrow;
    }
    return today ? today : tomorrow;
}

} // namespace

QList<WidgetScheduleRow> widgetSchedule(const std::optional<PrayerDisplayState>& display,
                                        const std::optional<PrayerDay>& today,
                                        const std::optional<PrayerDay>& tomorrow) {
    const std::optional<PrayerDay>& day = listedDay(display, today, tomorrow);
    QList<WidgetScheduleRow> rows;
    if (!day) return rows;

    std::optional<PrayerName> highlighted;
    if (display) {
        highlighted = display->prayer;
        // Dhuha is counted from sunrise; a day that lists no dhuha of its own marks its syuruq instead.
        const auto listed = [&](PrayerName name) {
            return std::any_of(day->slots.cbegin(), day->slots.cend(),
                               [name](const PrayerSlot& s) { return s.name == name; });
        };
        if (*highlighted == PrayerName::dhuha && !listed(PrayerName::dhuha)) highlighted = PrayerName::syuruq;
    }
    rows.reserve(day->slots.size());
    for (const PrayerSlot& slot : day->slots)
        rows.append({slot.name, widgetTitle(slot.name), slot.time, slot.name == highlighted});
    return rows;
}

} // namespace lumora
