#include "model/month_check.h"

#include <gtest/gtest.h>

using namespace lumora;

namespace {

QList<PrayerSlot> sixTimes(const QString& subuh = "04:35", const QString& syuruq = "05:50") {
    return {{PrayerName::subuh, subuh},   {PrayerName::syuruq, syuruq},   {PrayerName::dhuhur, "11:52"},
            {PrayerName::ashar, "15:13"}, {PrayerName::maghrib, "17:46"}, {PrayerName::isya, "18:58"}};
}

PrayerMonthCache monthOf(QList<PrayerDay> days, const QString& key = "2026-02") {
    return PrayerMonthCache{"jkt", key, std::move(days)};
}

PrayerDay day(const QString& date, QList<PrayerSlot> slots = sixTimes()) {
    return PrayerDay{"jkt", "jkt", date, std::move(slots)};
}

QList<PrayerDay> wholeFebruary() {
    QList<PrayerDay> days;
    for (int d = 1; d <= 28; ++d)
        days.append(day(QStringLiteral("2026-02-%1").arg(d, 2, 10, QChar(u'0'))));
    return days;
}

} // namespace

TEST(MonthCheck, ClockTimes) {
    struct Case {
        const char* text;
        bool time;
    } cases[] = {
        {"00:00", true},  {"23:59", true},  {"04:35", true},  {"24:00", false}, {"12:60", false},
        {"99:99", false}, {"ab:cd", false}, {"", false},      {"4:35", false},  {"04:35:00", false},
        {"04.35", false}, {" 4:35", false}, {"-1:00", false}, {"٠٤:٣٥", false}, // other digits are not ours
    };
    for (const Case& c : cases)
        EXPECT_EQ(isClockTime(QString::fromUtf8(c.text)), c.time) << c.text;
}

TEST(MonthCheck, SoundMonthsPass) {
    EXPECT_EQ(monthProblem(monthOf(wholeFebruary())), std::nullopt);
    EXPECT_EQ(monthProblem(monthOf({})), std::nullopt) << "empty is not unsound, only empty";
    EXPECT_EQ(monthProblem(monthOf({day("2026-02-10"), day("2026-02-03")})), std::nullopt)
        << "a few days, in any order";
    QList<PrayerSlot> withDhuha = sixTimes();
    withDhuha.insert(2, PrayerSlot{PrayerName::dhuha, "06:10"});
    EXPECT_EQ(monthProblem(monthOf({day("2026-02-01", withDhuha)})), std::nullopt);
}

TEST(MonthCheck, UnsoundMonthsAreRefused) {
    QList<PrayerDay> twentyNine = wholeFebruary();
    twentyNine.append(day("2026-02-28"));
    QList<PrayerSlot> missingIsya = sixTimes();
    missingIsya.removeLast();
    QList<PrayerSlot> isyaTwice = sixTimes();
    isyaTwice.append(PrayerSlot{PrayerName::isya, "19:30"});
    QList<PrayerSlot> swapped = sixTimes();
    std::swap(swapped[3], swapped[4]);
    QList<PrayerSlot> equalTimes = sixTimes("05:50", "05:50");
    struct Case {
        const char* name;
        PrayerMonthCache month;
    } cases[] = {
        {"99:99", monthOf({day("2026-02-01", sixTimes("99:99"))})},
        {"ab:cd", monthOf({day("2026-02-01", sixTimes("ab:cd"))})},
        {"empty time", monthOf({day("2026-02-01", sixTimes(""))})},
        {"a long text", monthOf({day("2026-02-01", sixTimes(QString(3'000'000, u'4')))})},
        {"subuh after syuruq", monthOf({day("2026-02-01", sixTimes("06:00"))})},
        {"two prayers at one minute", monthOf({day("2026-02-01", equalTimes)})},
        {"names out of order", monthOf({day("2026-02-01", swapped)})},
        {"a time missing", monthOf({day("2026-02-01", missingIsya)})},
        {"a prayer twice", monthOf({day("2026-02-01", isyaTwice)})},
        {"more days than February has", monthOf(twentyNine)},
        {"a date twice", monthOf({day("2026-02-03"), day("2026-02-03")})},
        {"a date of another month", monthOf({day("2026-03-01")})},
        {"a date February lacks", monthOf({day("2026-02-30")})},
        {"not a date", monthOf({day("kemarin")})},
        {"not a month", monthOf({day("2026-02-01")}, "2026-13")},
    };
    for (const Case& c : cases) {
        const std::optional<QString> problem = monthProblem(c.month);
        ASSERT_TRUE(problem) << c.name;
        EXPECT_LT(problem->size(), 200) << c.name << ": a problem is told in a line, whatever the input";
    }
}
