#pragma once

#include "prayer_display.h"
#include "prayer_schedule.h"

#include <QList>
#include <QString>

#include <optional>

namespace lumora {

/// One line of the day's schedule that the medium widget lists beside the countdown.
struct WidgetScheduleRow {
    PrayerName prayer = PrayerName::subuh;
    QString label; ///< the widget's title ("DHUHA / ISYROQ")
    QString time;  ///< the slot's time exactly as stored
    bool highlight = false;

    bool operator==(const WidgetScheduleRow&) const = default;
};

/// The slots of the day the featured prayer falls on (tomorrow's once its subuh is featured), else of today,
/// else of tomorrow, in the day's own order with the featured one highlighted; empty without a day.
QList<WidgetScheduleRow> widgetSchedule(const std::optional<PrayerDisplayState>& display,
                                        const std::optional<PrayerDay>& today,
                                        const std::optional<PrayerDay>& tomorrow);

} // namespace lumora
