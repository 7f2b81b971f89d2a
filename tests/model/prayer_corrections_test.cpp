#include "model/prayer_corrections.h"

#include <gtest/gtest.h>

using namespace lumora;

TEST(PrayerCorrections, TimesMoveWithinTheirDay) {
    struct Case {
        const char* time;
        int minutes;
        const char* corrected;
    } cases[] = {
        {"04:35", 2, "04:37"},  {"04:59", 2, "05:01"},  {"12:00", -15, "11:45"}, {"00:05", -15, "00:00"},
        {"23:50", 15, "23:59"}, {"18:58", 0, "18:58"},  {"", 5, ""},             {"--:--", 5, "--:--"},
        {"99:99", 1, "99:99"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(correctedTime(c.time, c.minutes), c.corrected) << c.time << " " << c.minutes;
}

// Every slot of every day moves by its own prayer's minutes; the month keeps its city and days.
TEST(PrayerCorrections, AMonthIsCorrectedSlotBySlot) {
    PrayerMonthCache month{"jkt", "2026-03", {}};
    for (const char* date : {"2026-03-07", "2026-03-08"})
        month.days.append(PrayerDay{"jkt", "KOTA JAKARTA", date,
                                    {{PrayerName::subuh, "04:35"}, {PrayerName::ashar, "15:13"},
                                     {PrayerName::isya, "18:58"}}});
    PrayerCorrections c;
    c.of(PrayerName::subuh) = 2;
    c.of(PrayerName::isya) = -3;
    const PrayerMonthCache out = corrected(month, c);
    ASSERT_EQ(out.days.size(), 2);
    for (const PrayerDay& day : out.days) {
        EXPECT_EQ(day.slots[0].time, "04:37");
        EXPECT_EQ(day.slots[1].time, "15:13");
        EXPECT_EQ(day.slots[2].time, "18:55");
    }
    EXPECT_EQ(corrected(month, PrayerCorrections{}), month);
    EXPECT_EQ(correctionText(2), "koreksi +2 menit");
    EXPECT_EQ(correctionText(-3), "koreksi -3 menit");
    EXPECT_EQ(correctionText(0), "");
}
