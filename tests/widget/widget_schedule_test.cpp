#include "model/widget_presenter.h"

#include "widget_fixtures.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace lumora;
using test::at;

namespace {

// "SUBUH 04:18, *DHUHUR 12:00, ...": the rows as the medium widget lists them, the highlighted one starred.
std::string listed(const QList<WidgetScheduleRow>& rows) {
    QStringList parts;
    for (const WidgetScheduleRow& r : rows)
        parts.append((r.highlight ? QStringLiteral("*") : QString()) + r.label + u' ' + r.time);
    return parts.join(QStringLiteral(", ")).toStdString();
}

PrayerDay withDhuha(PrayerDay day) {
    day.slots.insert(2, PrayerSlot{PrayerName::dhuha, "05:52"});
    return day;
}

PrayerDay unreadableDay() {
    PrayerDay day = test::widgetDay("2026-01-01");
    for (PrayerSlot& slot : day.slots)
        slot.time = "??";
    return day;
}

} // namespace

TEST(WidgetSchedule, ListsTheFeaturedPrayersDayWithItHighlighted) {
    const auto dec31 = test::widgetDay("2025-12-31", "04:17");
    const auto jan1 = test::widgetDay("2026-01-01");
    const auto jan2 = test::widgetDay("2026-01-02", "04:19");
    struct Case {
        const char* local;
        std::optional<PrayerDay> today;
        std::optional<PrayerDay> tomorrow;
        std::string expected;
    } cases[] = {
        {"2026-01-01T11:50:30", jan1, jan2,
         "SUBUH 04:18, SYURUQ 05:37, *DHUHUR 12:00, ASHAR 15:24, MAGHRIB 18:14, ISYA 19:29"},
        // Just after isya the day stays; once tomorrow's subuh is featured, tomorrow's times are listed.
        {"2026-01-01T19:45:00", jan1, jan2,
         "SUBUH 04:18, SYURUQ 05:37, DHUHUR 12:00, ASHAR 15:24, MAGHRIB 18:14, *ISYA 19:29"},
        {"2026-01-01T20:00:00", jan1, jan2,
         "*SUBUH 04:19, SYURUQ 05:37, DHUHUR 12:00, ASHAR 15:24, MAGHRIB 18:14, ISYA 19:29"},
        {"2026-01-01T20:00:00", jan1, std::nullopt,
         "SUBUH 04:18, SYURUQ 05:37, DHUHUR 12:00, ASHAR 15:24, MAGHRIB 18:14, *ISYA 19:29"},
        // A snapshot written yesterday, shown after midnight: its tomorrow is the day on show.
        {"2026-01-01T03:00:00", dec31, jan1,
         "*SUBUH 04:18, SYURUQ 05:37, DHUHUR 12:00, ASHAR 15:24, MAGHRIB 18:14, ISYA 19:29"},
        // Dhuha hangs off sunrise: without a dhuha slot of its own the day marks its syuruq.
        {"2026-01-01T05:55:00", jan1, jan2,
         "SUBUH 04:18, *SYURUQ 05:37, DHUHUR 12:00, ASHAR 15:24, MAGHRIB 18:14, ISYA 19:29"},
        {"2026-01-01T05:55:00", withDhuha(jan1), jan2,
         "SUBUH 04:18, SYURUQ 05:37, *DHUHA / ISYROQ 05:52, DHUHUR 12:00, "
         "ASHAR 15:24, MAGHRIB 18:14, ISYA 19:29"},
        // Only tomorrow at hand (the app had no today): its day is listed all the same.
        {"2026-01-01T10:00:00", std::nullopt, jan1,
         "SUBUH 04:18, SYURUQ 05:37, *DHUHUR 12:00, ASHAR 15:24, MAGHRIB 18:14, ISYA 19:29"},
        // Times that do not read feature nothing; the stored texts are still listed, none marked.
        {"2026-01-01T10:00:00", unreadableDay(), std::nullopt,
         "SUBUH ??, SYURUQ ??, DHUHUR ??, ASHAR ??, MAGHRIB ??, ISYA ??"},
        {"2026-01-01T10:00:00", std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.local);
        EXPECT_EQ(
            listed(WidgetViewModel::make(at(c.local), "Kota Jakarta", c.today, c.tomorrow, "s").schedule),
            c.expected);
    }
}
