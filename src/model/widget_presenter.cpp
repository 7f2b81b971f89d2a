#include "widget_presenter.h"

#include "date_helpers.h"
#include "prayer_display.h"

namespace lumora {

QString widgetTitle(PrayerName name) {
    return displayName(name);
}

WidgetViewModel WidgetViewModel::make(Instant date, const QString& cityName,
                                      const std::optional<PrayerDay>& today,
                                      const std::optional<PrayerDay>& tomorrow, const QString& statusText) {
    WidgetViewModel m;
    m.cityName = cityName.toUpper();
    const auto display = prayerDisplay(date, today, tomorrow);
    m.schedule = widgetSchedule(display, today, tomorrow);
    if (!display) {
        m.title = widgetTitle(PrayerName::subuh);
        m.timeText = QStringLiteral("--:--");
        m.statusText = statusText;
        m.statusOpacity = 1;
        return m;
    }
    m.title = widgetTitle(display->prayer);
    m.timeText = DateHelpers::displayTimeFormatter().format(display->dateTime);
    m.statusText = display->secondaryText(date);
    m.statusOpacity = display->isBlinkVisible(date) ? 1 : 0;
    return m;
}

} // namespace lumora
