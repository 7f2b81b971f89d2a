#include "model/date_helpers.h"

#include <QDateTime>
#include <QTimeZone>

#include "support/printers.h"

#include <gtest/gtest.h>

#include <atomic>

#include <thread>
#include <vector>

using namespace lumora;

namespace {

Instant jakarta(int y, int mo, int d, int h = 0, int mi = 0) {
    // Asia/Jakarta is UTC+7 all year.
    const QDateTime utc(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
    return Instant::fromUnixSeconds(static_cast<double>(utc.toSecsSinceEpoch() - 7 * 3600));
}

} // namespace

TEST(DateHelpers, ZoneIsTheProcessZone) {
    EXPECT_EQ(DateHelpers::zoneId(), "Asia/Jakarta");
}

// A traveller's computer moves from WIB to WIT while the app runs: every helper follows the new zone, and
// days and times already computed read in it.
TEST(DateHelpers, ZoneChangeWhileRunning) {
    struct Restore {
        ~Restore() { DateHelpers::setZone(QStringLiteral("Asia/Jakarta")); }
    } restore;
    const Instant evening = jakarta(2026, 3, 7, 22, 30);
    const auto dayStart = DateHelpers::makeDate("2026-03-07", "00:00");
    ASSERT_TRUE(dayStart);

    EXPECT_FALSE(DateHelpers::setZone(QStringLiteral("Asia/Jakarta"))) << "the same zone is no change";
    EXPECT_FALSE(DateHelpers::setZone(QStringLiteral("Mars/Olympus_Mons")));
    EXPECT_EQ(DateHelpers::zoneId(), "Asia/Jakarta");

    ASSERT_TRUE(DateHelpers::setZone(QStringLiteral("Asia/Jayapura")));
    EXPECT_EQ(DateHelpers::zoneId(), "Asia/Jayapura");
    EXPECT_EQ(DateHelpers::dateFormatter().format(evening), "2026-03-08");
    EXPECT_EQ(DateHelpers::displayTimeFormatter().format(evening), "00:30");
    EXPECT_EQ(DateHelpers::civil(evening).hour, 0);
    EXPECT_EQ(DateHelpers::makeDate("2026-03-07", "00:00"), *dayStart - 2 * 3600.0);

    // Other threads compute on their own copies, made in the new zone.
    std::thread([&] { EXPECT_EQ(DateHelpers::displayTimeFormatter().format(evening), "00:30"); }).join();

    ASSERT_TRUE(DateHelpers::setZone(QStringLiteral("Asia/Jakarta")));
    EXPECT_EQ(DateHelpers::displayTimeFormatter().format(evening), "22:30");
}

TEST(DateHelpers, ParseTime) {
    struct Case {
        const char* text;
        std::optional<TimeOfDay> expected;
    } cases[] = {
        {"04:31", TimeOfDay{4, 31}},     {"04.31", TimeOfDay{4, 31}},
        {"4:31", TimeOfDay{4, 31}},      {"04:31 WIB", TimeOfDay{4, 31}},
        {"0431", TimeOfDay{4, 31}},      {"00:00", TimeOfDay{0, 0}},
        {" 17:58\n", TimeOfDay{17, 58}}, {"25:99", TimeOfDay{25, 99}},
        {"1:2:", TimeOfDay{1, 2}},       {"", std::nullopt},
        {"--:--", std::nullopt},         {"4:31:00", std::nullopt},
        {"431", std::nullopt},           {"4", std::nullopt},
        {"WIB", std::nullopt},           {"::43", std::nullopt},
        {"٠٤:٣١", std::nullopt}, // Arabic-Indic digits are not ASCII digits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DateHelpers::parseTime(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(DateHelpers, MakeDate) {
    struct Case {
        const char* day;
        const char* time;
        std::optional<Instant> expected;
    } cases[] = {
        {"2026-03-07", "12:00", jakarta(2026, 3, 7, 12, 0)},
        {"2026-03-07", "04:31 WIB", jakarta(2026, 3, 7, 4, 31)},
        {"2026-03-07", "00:00", jakarta(2026, 3, 7)},
        {"2026-12-31", "23:59", jakarta(2026, 12, 31, 23, 59)},
        {"2026-3-7", "05:00", std::nullopt}, // the strict formatter wants two-digit month and day
        {"", "12:00", std::nullopt},
        {"2026-03-07", "--:--", std::nullopt},
        {"2026-02-30", "12:00", std::nullopt},
        {"2026-13-01", "12:00", std::nullopt},
        {"07-03-2026", "12:00", std::nullopt},
        {"2026-03-07x", "12:00", std::nullopt},
        {"2026-03-07", "24:00", std::nullopt}, // out-of-range clock values never roll into another day
        {"2026-03-07", "12:60", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.day) + " " + c.time);
        EXPECT_EQ(DateHelpers::makeDate(c.day, c.time), c.expected);
    }
}

TEST(DateHelpers, StartOfMonthAndDay) {
    for (Instant t : {jakarta(2026, 3, 1), jakarta(2026, 3, 15, 13, 7), jakarta(2026, 3, 31, 23, 59)})
        EXPECT_EQ(DateHelpers::startOfMonth(t), jakarta(2026, 3, 1));
    EXPECT_EQ(DateHelpers::startOfDay(jakarta(2026, 3, 15, 13, 7)), jakarta(2026, 3, 15));
    EXPECT_EQ(DateHelpers::addMonths(jakarta(2026, 12, 1), 1), jakarta(2027, 1, 1));
    EXPECT_EQ(DateHelpers::addDays(jakarta(2026, 2, 28, 23, 59), 1), jakarta(2026, 3, 1, 23, 59));
}

TEST(DateHelpers, Formatters) {
    const Instant t = jakarta(2026, 3, 7, 5, 9);
    EXPECT_EQ(DateHelpers::dayFormatter().format(t), "Sabtu, 07 Maret 2026");
    EXPECT_EQ(DateHelpers::monthFormatter().format(t), "2026-03");
    EXPECT_EQ(DateHelpers::dateFormatter().format(t), "2026-03-07");
    EXPECT_EQ(DateHelpers::displayTimeFormatter().format(t), "05:09");
    // Late on the last day of a month still belongs to that month.
    EXPECT_EQ(DateHelpers::monthFormatter().format(jakarta(2026, 3, 31, 23, 59)), "2026-03");
}

/// Each Hijri test states its calendar; the setting is process-wide.
class HijriDay : public ::testing::Test {
protected:
    void SetUp() override { DateHelpers::setHijriCalendar(&DateHelpers::ummAlQuraDate, 0); }
    void TearDown() override { DateHelpers::setHijriCalendar(nullptr, 0); }
};

TEST_F(HijriDay, UmmAlQura) {
    struct Case {
        Instant at;
        const char* expected;
    } cases[] = {
        {jakarta(2026, 2, 18, 12), "1 Ramadhan 1447H"},
        {jakarta(2026, 3, 7, 12), "18 Ramadhan 1447H"},
        {jakarta(2026, 5, 27, 12), "10 Dzulhijjah 1447H"},
        // The day turns at local midnight, not at sunset.
        {jakarta(2026, 2, 17, 23, 59), "29 Sya'ban 1447H"},
        {jakarta(2026, 2, 18, 0, 0), "1 Ramadhan 1447H"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateHelpers::formatHijriDay(c.at), c.expected);
    // Nothing configured is Umm al-Qura too: the widget program never sets a calendar.
    DateHelpers::setHijriCalendar(nullptr, 0);
    EXPECT_EQ(DateHelpers::formatHijriDay(jakarta(2026, 2, 18, 12)), "1 Ramadhan 1447H");
}

// A stand-in calendar that relabels the Gregorian day, so that which day the calendar is asked for shows in
// the text: 2026-03-01 reads "1 Rabiul Awwal 1447H".
std::optional<HijriDate> relabelled(int year, int month, int day) {
    return HijriDate{day, month, year - 579};
}

TEST_F(HijriDay, TheConfiguredCalendarIsAskedForTheDayMovedByTheOffset) {
    struct Case {
        Instant at;
        int offset;
        const char* expected;
    } cases[] = {
        {jakarta(2026, 3, 7, 12), 0, "7 Rabiul Awwal 1447H"},
        {jakarta(2026, 3, 7, 0, 0), 2, "9 Rabiul Awwal 1447H"},
        {jakarta(2026, 3, 7, 23, 59), -2, "5 Rabiul Awwal 1447H"},
        {jakarta(2026, 2, 28, 12), 1, "1 Rabiul Awwal 1447H"},
        {jakarta(2026, 1, 1, 12), -2, "30 Dzulhijjah 1446H"},
        {jakarta(2025, 12, 31, 12), 1, "1 Muharram 1447H"},
        // Outside -2 ... 2 the offset is held at the nearest end.
        {jakarta(2026, 3, 7, 12), 5, "9 Rabiul Awwal 1447H"},
    };
    for (const auto& c : cases) {
        DateHelpers::setHijriCalendar(&relabelled, c.offset);
        EXPECT_EQ(DateHelpers::formatHijriDay(c.at), c.expected) << "offset " << c.offset;
    }
}

TEST_F(HijriDay, OffsetMovesUmmAlQuraByWholeDays) {
    // Across the end of Sya'ban and of the year 1447.
    for (const Instant base : {jakarta(2026, 2, 17, 12), jakarta(2026, 6, 15, 12)}) {
        for (int offset = -2; offset <= 2; ++offset) {
            DateHelpers::setHijriCalendar(&DateHelpers::ummAlQuraDate, 0);
            const QString moved = DateHelpers::formatHijriDay(base + offset * 86400.0);
            DateHelpers::setHijriCalendar(&DateHelpers::ummAlQuraDate, offset);
            EXPECT_EQ(DateHelpers::formatHijriDay(base), moved) << "offset " << offset;
        }
    }
}

TEST(HijriSettings, ParsesTheTwoValuesAndReportsBadOnes) {
    using Kind = HijriCalendarKind;
    struct Case {
        std::optional<QString> calendar, offset;
        Kind kind;
        int offsetDays;
        int errors;
    } cases[] = {
        {std::nullopt, std::nullopt, Kind::indonesia, 0, 0}, {"ummalqura", "-2", Kind::ummalqura, -2, 0},
        {" Indonesia ", "+1", Kind::indonesia, 1, 0},        {"indonesia", "2", Kind::indonesia, 2, 0},
        {"hijri", std::nullopt, Kind::indonesia, 0, 1},      {"ummalqura", "3", Kind::ummalqura, 0, 1},
        {std::nullopt, "1.5", Kind::indonesia, 0, 1},        {"", "", Kind::indonesia, 0, 2},
    };
    for (const auto& c : cases) {
        const HijriSettings s = parseHijriSettings(c.calendar, c.offset);
        EXPECT_EQ(s.calendar, c.kind) << c.calendar.value_or("-").toStdString();
        EXPECT_EQ(s.offsetDays, c.offsetDays) << c.offset.value_or("-").toStdString();
        EXPECT_EQ(s.errors.size(), c.errors) << s.errors.join(" | ").toStdString();
    }
    const HijriSettings bad = parseHijriSettings(QString("islamic"), QString("7"));
    ASSERT_EQ(bad.errors.size(), 2);
    EXPECT_TRUE(bad.errors[0].contains("islamic"));
    EXPECT_TRUE(bad.errors[1].contains("7"));
}

TEST(DateHelpers, SharedValuesAreSafeFromSeveralThreads) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&wrong, i] {
            for (int k = 0; k < 500; ++k) {
                const int day = 1 + (k + i) % 28;
                const QString key = QStringLiteral("2026-02-%1").arg(day, 2, 10, QLatin1Char('0'));
                const auto t = DateHelpers::makeDate(key, "10:15");
                if (!t || DateHelpers::dateFormatter().format(*t) != key ||
                    DateHelpers::displayTimeFormatter().format(*t) != "10:15")
                    ++wrong;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong, 0);
}

// Run under TZ=America/New_York (see CMakeLists.txt); skipped in other zones.
TEST(DaylightSaving, GapMovesForwardAndOverlapTakesTheFirst) {
    if (DateHelpers::zoneId() != "America/New_York") GTEST_SKIP() << "needs TZ=America/New_York";
    // 2026-03-08 02:30 does not exist: 03:00 EDT (07:00 UTC).
    EXPECT_EQ(DateHelpers::makeDate("2026-03-08", "02:30"), Instant::fromUnixSeconds(1772953200));
    // 2026-11-01 01:30 happens twice: the first one, EDT (05:30 UTC).
    EXPECT_EQ(DateHelpers::makeDate("2026-11-01", "01:30"), Instant::fromUnixSeconds(1793511000));
    EXPECT_EQ(DateHelpers::displayTimeFormatter().format(*DateHelpers::makeDate("2026-03-08", "02:30")),
              "03:00");
}
