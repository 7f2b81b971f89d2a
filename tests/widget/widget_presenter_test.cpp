#include "model/widget_presenter.h"

#include "widget_fixtures.h"

#include "support/printers.h"

#include <gtest/gtest.h>

using namespace lumora;
using test::at;

TEST(WidgetViewModel, FollowsTheDisplayMinuteByMinute) {
    const auto today = test::widgetDay("2026-01-01");
    const auto tomorrow = test::widgetDay("2026-01-02", "04:19");
    struct Case {
        const char* local;
        bool withTomorrow;
        WidgetViewModel expected;
    } cases[] = {
        {"2026-01-01T11:50:30", true, {"KOTA JAKARTA", "DHUHUR", "12:00", "-10 menit", 1, {}}},
        // The last half minute still counts down; the adzan comes at its minute.
        {"2026-01-01T11:59:30", true, {"KOTA JAKARTA", "DHUHUR", "12:00", "-1 menit", 1, {}}},
        {"2026-01-01T12:00:00", true, {"KOTA JAKARTA", "DHUHUR", "12:00", "SAATNYA ADZAN", 1, {}}},
        // Entering on an odd second: the blinking status line is off.
        {"2026-01-01T12:00:01", true, {"KOTA JAKARTA", "DHUHUR", "12:00", "SAATNYA ADZAN", 0, {}}},
        {"2026-01-01T12:03:07", true, {"KOTA JAKARTA", "DHUHUR", "12:00", "SAATNYA ADZAN", 0, {}}},
        {"2026-01-01T12:12:31", true, {"KOTA JAKARTA", "DHUHUR", "12:00", "+12 menit", 1, {}}},
        {"2026-01-01T05:55:00", true, {"KOTA JAKARTA", "DHUHA / ISYROQ", "05:52", "WAKTU DHUHA", 1, {}}},
        // 31 minutes after isya the next day's subuh is featured, hours ahead.
        {"2026-01-01T20:00:00", true, {"KOTA JAKARTA", "SUBUH", "04:19", "-8 jam 19 menit", 1, {}}},
        {"2026-01-01T20:00:00", false, {"KOTA JAKARTA", "ISYA", "19:29", "+31 menit", 1, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.local);
        WidgetViewModel got =
            WidgetViewModel::make(at(c.local), "Kota Jakarta", today,
                                  c.withTomorrow ? std::optional(tomorrow) : std::nullopt, "unused");
        got.schedule.clear(); // the listed day has its own cases in widget_schedule_test
        EXPECT_EQ(got, c.expected);
    }
}

TEST(WidgetViewModel, WithoutAFeaturedPrayerShowsTheSnapshotsStatus) {
    const Instant now = at("2026-01-01T10:00:31");
    EXPECT_EQ(WidgetViewModel::make(now, "Bandung", std::nullopt, std::nullopt,
                                    "Gagal memuat jadwal untuk Bandung"),
              (WidgetViewModel{"BANDUNG", "SUBUH", "--:--", "Gagal memuat jadwal untuk Bandung", 1, {}}));

    auto unreadable = test::widgetDay("2026-01-01");
    for (auto& slot : unreadable.slots)
        slot.time = "??";
    EXPECT_EQ(WidgetViewModel::make(now, "Bandung", unreadable, std::nullopt, "s").timeText, "--:--");
}
