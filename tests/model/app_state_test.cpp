#include "model/app_state.h"
#include "model/date_helpers.h"

#include "support/printers.h"
#include "support/sample_days.h"

#include <gtest/gtest.h>

using namespace lumora;

namespace {

Instant at(const char* day, const char* hhmm) {
    return *DateHelpers::makeDate(day, hhmm);
}

PrayerDay day(const QString& date, const QString& cityName = "JAKARTA") {
    return test::sampleDay(date, cityName);
}

PrayerMonthCache month(const QString& key, QList<PrayerDay> days) {
    return PrayerMonthCache{"jkt", key, days};
}

const CityEntry kJakarta = fallbackJakarta();
const GeoPoint kHere{-6.2, 106.8};

} // namespace

TEST(AppState, Placeholder) {
    const AppState p = AppState::placeholder();
    EXPECT_EQ(p.cityName, "Jakarta");
    EXPECT_EQ(p.cityCode, "jkt");
    EXPECT_EQ(p.todayLabel, "");
    EXPECT_EQ(p.scheduleLabel, "Jadwal Hari Ini");
    EXPECT_EQ(p.statusText, "Memuat jadwal...");
    EXPECT_FALSE(p.nextPrayer || p.currentDay || p.todayDay || p.tomorrowDay);
}

TEST(BuildState, LateEveningFindsTomorrowInTheNextMonth) {
    const AppState s = buildState(kJakarta, month("2026-03", {day("2026-03-31")}),
                                  month("2026-04", {day("2026-04-01")}), kHere, at("2026-03-31", "23:59"));
    ASSERT_TRUE(s.tomorrowDay);
    EXPECT_EQ(s.tomorrowDay->date, "2026-04-01");
    ASSERT_TRUE(s.nextPrayer);
    EXPECT_EQ(s.nextPrayer->name, PrayerName::subuh);
    EXPECT_EQ(s.nextPrayer->dateTime, at("2026-04-01", "04:38"));
    EXPECT_EQ(s.scheduleLabel, "Jadwal Besok");
    EXPECT_EQ(s.currentDay, s.tomorrowDay);
    EXPECT_EQ(s.todayDay->date, "2026-03-31");
    EXPECT_EQ(s.todayLabel, "Selasa, 31 Maret 2026");
}

TEST(BuildState, Table) {
    const PrayerMonthCache march = month("2026-03", {day("2026-03-07"), day("2026-03-08")});
    const PrayerMonthCache onlyToday = month("2026-03", {day("2026-03-07")});
    struct Case {
        const char* name;
        PrayerMonthCache current;
        std::optional<GeoPoint> location;
        Instant now;
        std::optional<PrayerName> next;
        const char* scheduleLabel;
        const char* status;
        bool today, tomorrow;
    } cases[] = {
        {"exactly at a prayer it is no longer next", march, kHere, at("2026-03-07", "15:12"),
         PrayerName::maghrib, "Jadwal Hari Ini", "Lokasi terdeteksi: Jakarta", true, true},
        {"tomorrow absent before isya", onlyToday, kHere, at("2026-03-07", "19:00"), PrayerName::isya,
         "Jadwal Hari Ini", "Lokasi terdeteksi: Jakarta", true, false},
        {"tomorrow absent after isya: no next prayer", onlyToday, std::nullopt, at("2026-03-07", "20:00"),
         std::nullopt, "Jadwal Hari Ini", "Fallback Jakarta dipakai", true, false},
        {"neither day", month("2026-04", {}), kHere, at("2026-03-07", "12:00"), std::nullopt,
         "Jadwal Hari Ini", "Gagal memuat jadwal untuk Jakarta", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AppState s = buildState(kJakarta, c.current, c.current, c.location, c.now);
        EXPECT_EQ(s.nextPrayer ? std::optional(s.nextPrayer->name) : std::nullopt, c.next);
        EXPECT_EQ(s.scheduleLabel, c.scheduleLabel);
        EXPECT_EQ(s.statusText, c.status);
        EXPECT_EQ(s.todayDay.has_value(), c.today);
        EXPECT_EQ(s.tomorrowDay.has_value(), c.tomorrow);
        EXPECT_EQ(s.currentDay, c.today ? s.todayDay : std::nullopt);
        EXPECT_EQ(s.cityName, "Jakarta");
        // Building twice from the same inputs gives equal states.
        EXPECT_EQ(s, buildState(kJakarta, c.current, c.current, c.location, c.now));
    }
}

TEST(BuildState, NextPrayerCarriesTheScheduleCityText) {
    const AppState s =
        buildState(CityEntry{"bgr", "Bogor", {}, {}, {}}, month("2026-03", {day("2026-03-07", "KOTA BOGOR")}),
                   month("2026-03", {}), kHere, at("2026-03-07", "12:30"));
    ASSERT_TRUE(s.nextPrayer);
    EXPECT_EQ(s.nextPrayer->cityName, "KOTA BOGOR");
    EXPECT_EQ(s.cityName, "Bogor");
    EXPECT_EQ(s.statusText, "Lokasi terdeteksi: Bogor");
}
