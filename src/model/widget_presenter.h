#pragma once

#include "instant.h"
#include "prayer_schedule.h"
#include "widget_schedule.h"

#include <QList>
#include <QString>

#include <optional>

namespace lumora {

/// What one widget entry shows: the widget's rules over prayerDisplay() at the entry's instant.
struct WidgetViewModel {
    QString cityName;   ///< upper case
    QString title;      ///< the featured prayer's title, "SUBUH" without one
    QString timeText;   ///< "HH:mm", "--:--" without a featured prayer
    QString statusText; ///< countdown or status line; the snapshot's status without a featured prayer
    double statusOpacity = 1;
    /// The day's times beside the countdown in the medium family.
    QList<WidgetScheduleRow> schedule;

    bool operator==(const WidgetViewModel&) const = default;

    /// The entry dated `date` of a snapshot holding these fields.
    static WidgetViewModel make(Instant date, const QString& cityName, const std::optional<PrayerDay>& today,
                                const std::optional<PrayerDay>& tomorrow, const QString& statusText);
};

/// The widget's own title table ("DHUHA / ISYROQ" for dhuha).
QString widgetTitle(PrayerName name);

} // namespace lumora
