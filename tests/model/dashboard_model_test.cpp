#include "model/app_state.h"
#include "model/dashboard_model.h"
#include "model/date_helpers.h"

#include "support/printers.h"
#include "support/sample_days.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

// The test process runs in Asia/Jakarta; whole minutes are even seconds since 2001.
Instant at(const char* day, const char* hhmm, double extraSeconds = 0) {
    return *DateHelpers::makeDate(day, hhmm) + extraSeconds;
}

const char* kDay = "2026-03-07";

AppState loadedState(Instant now,
                     QList<PrayerDay> days = {test::sampleDay("2026-03-07"), test::sampleDay("2026-03-08")}) {
    return buildState(fallbackJakarta(), PrayerMonthCache{"jkt", "2026-03", days}, {}, GeoPoint{-6.2, 106.8},
                      now);
}

QString highlighted(const DashboardModel& m) {
    QStringList out;
    for (const DashboardRow& r : m.rows)
        if (r.highlight) out.append(r.label);
    return out.join(',');
}

} // namespace

TEST(DashboardModel, Phases) {
    using A = DashboardAccent;
    struct Case {
        const char* what;
        Instant now;
        double blinkOffset;
        const char* title;
        const char* hours;
        const char* minutes;
        const char* countdown;
        bool colon;
        bool urgent;
        double opacity;
        double scale;
        bool glow;
        A accent;
        const char* highlight;
    } cases[] = {
        {"upcoming", at(kDay, "14:00"), 0, "ASHAR", "15", "12", "-1 jam 12 menit", true, false, 1, 1.0, false,
         A::crimson, "ASHAR"},
        {"approaching", at(kDay, "15:02"), 1, "ASHAR", "15", "12", "-10 menit", true, true, 1, 1.0, false,
         A::crimson, "ASHAR"},
        {"entering, even seconds", at(kDay, "15:12"), 0, "ASHAR", "15", "12", "SAATNYA ADZAN", true, true, 1,
         1.08, true, A::crimson, "ASHAR"},
        // The colon follows the blink clock, the countdown line the countdown clock.
        {"entering, odd blink second", at(kDay, "15:12"), 1, "ASHAR", "15", "12", "SAATNYA ADZAN", false,
         true, 1, 1.08, true, A::crimson, "ASHAR"},
        {"entering, odd countdown second", at(kDay, "15:14", 1), -1, "ASHAR", "15", "12", "SAATNYA ADZAN",
         true, true, 0, 1.08, true, A::crimson, "ASHAR"},
        {"5 minutes after still blinks", at(kDay, "15:17", 59), -1, "ASHAR", "15", "12", "SAATNYA ADZAN",
         true, true, 0, 1.08, true, A::crimson, "ASHAR"},
        {"cool-down from 6 minutes", at(kDay, "15:18", 1), 1, "ASHAR", "15", "12", "+6 menit", true, false, 1,
         1.0, false, A::nightBlue, "ASHAR"},
        {"first minutes after sunrise", at(kDay, "05:52"), 0, "SYURUQ", "05", "50", "-13 menit", true, true,
         1, 1.04, false, A::crimson, "SYURUQ"},
        {"sunrise, last five minutes of the countdown", at(kDay, "06:00"), 0, "SYURUQ", "05", "50",
         "-5 menit", true, false, 1, 1.0, false, A::crimson, "SYURUQ"},
        // The parsed day has no dhuha slot: nothing to highlight.
        {"dhuha window", at(kDay, "06:07"), 1, "DHUHA / ISYROQ", "06", "05", "WAKTU DHUHA", false, true, 1,
         1.08, true, A::crimson, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DashboardModel m = dashboardModel(loadedState(c.now), c.now, c.now + c.blinkOffset, false);
        EXPECT_EQ(m.city, "JAKARTA");
        EXPECT_EQ(m.title, c.title);
        EXPECT_EQ(m.hours, c.hours);
        EXPECT_EQ(m.minutes, c.minutes);
        EXPECT_EQ(m.countdownLine, c.countdown);
        EXPECT_EQ(m.colonVisible, c.colon);
        EXPECT_EQ(m.timeUrgent, c.urgent);
        EXPECT_EQ(m.countdownOpacity, c.opacity);
        EXPECT_DOUBLE_EQ(m.countdownScale, c.scale);
        EXPECT_EQ(m.countdownGlow, c.glow);
        EXPECT_EQ(m.accent, c.accent);
        EXPECT_EQ(highlighted(m), c.highlight);
        EXPECT_EQ(m.scheduleTitle, "Jadwal Hari Ini");
        EXPECT_EQ(m.rows.size(), 6);
        EXPECT_TRUE(m.emptyText.isEmpty());
    }
}

TEST(DashboardModel, BeforeTheFirstSchedule) {
    const Instant now = at(kDay, "09:41", 1);
    const DashboardModel m = dashboardModel(AppState::placeholder(), now, now, true);
    EXPECT_EQ(m.city, "JAKARTA");
    EXPECT_EQ(m.title, "SUBUH");
    EXPECT_EQ(m.hours, "--");
    EXPECT_EQ(m.minutes, "--");
    EXPECT_EQ(m.countdownLine, "Memuat jadwal...");
    EXPECT_EQ(m.countdownOpacity, 1.0);
    EXPECT_TRUE(m.colonVisible); // odd second, but no phase to blink in
    EXPECT_FALSE(m.timeUrgent);
    EXPECT_EQ(m.accent, DashboardAccent::crimson);
    EXPECT_TRUE(m.loading);
    EXPECT_TRUE(m.rows.isEmpty());
    EXPECT_EQ(m.emptyText, "Jadwal belum tersedia.");
    EXPECT_FALSE(m.phase);
    EXPECT_EQ(m.dateLine, "Sabtu, 07 Maret 2026 / " + DateHelpers::formatHijriDay(now));
}

TEST(DashboardModel, NextPrayerWithoutDays) {
    AppState s = AppState::placeholder();
    s.nextPrayer = NextPrayer{PrayerName::maghrib, at(kDay, "18:08"), "jkt"};
    const DashboardModel m = dashboardModel(s, at(kDay, "12:00"), at(kDay, "12:00"), false);
    EXPECT_EQ(m.title, "MAGHRIB");
    EXPECT_EQ(m.hours + ":" + m.minutes, "18:08");
    EXPECT_EQ(m.countdownLine, "Memuat jadwal...");
    EXPECT_EQ(m.emptyText, "Jadwal belum tersedia.");
}

TEST(DashboardModel, ScheduleCard) {
    {
        SCOPED_TRACE("after isya the card lists tomorrow");
        const Instant now = at(kDay, "20:00");
        const DashboardModel m = dashboardModel(loadedState(now), now, now, false);
        EXPECT_EQ(m.scheduleTitle, "Jadwal Besok");
        EXPECT_EQ(highlighted(m), "SUBUH");
        EXPECT_EQ(m.rows.first().time, "04:38");
    }
    {
        SCOPED_TRACE("a dhuha slot reads DHUHA / ISYROQ and is highlighted in its window");
        PrayerDay day = test::sampleDay(kDay);
        day.slots.insert(2, PrayerSlot{PrayerName::dhuha, "06:05"});
        const Instant now = at(kDay, "06:10");
        const DashboardModel m = dashboardModel(loadedState(now, {day}), now, now, false);
        ASSERT_EQ(m.rows.size(), 7);
        EXPECT_EQ(m.rows[2].label, "DHUHA / ISYROQ");
        EXPECT_EQ(highlighted(m), "DHUHA / ISYROQ");
    }
    {
        SCOPED_TRACE("times are shown as stored, even when they do not read");
        PrayerDay day = test::sampleDay(kDay);
        day.slots[3].time = "15.12 ";
        const Instant now = at(kDay, "13:00");
        const DashboardModel m = dashboardModel(loadedState(now, {day}), now, now, false);
        EXPECT_EQ(m.rows[3].time, "15.12 ");
    }
    {
        SCOPED_TRACE("a time that does not occur reads --:-- and is never featured");
        PrayerDay day = test::sampleDay(kDay);
        day.slots.last() = PrayerSlot{PrayerName::isya, "", "Matahari tidak turun sampai 18° di bawah ufuk"};
        const Instant now = at(kDay, "19:00"); // where isya would be featured
        const DashboardModel m = dashboardModel(loadedState(now, {day}), now, now, false);
        EXPECT_EQ(m.rows.last().label, "ISYA");
        EXPECT_EQ(m.rows.last().time, "--:--");
        EXPECT_FALSE(m.rows.last().highlight);
        EXPECT_NE(m.title, "ISYA");
    }
}

TEST(DashboardModel, DateLineKeepsTheSeparatorWithoutHijri) {
    EXPECT_EQ(dashboardDateLine("Sabtu, 07 Maret 2026", ""), "Sabtu, 07 Maret 2026 / ");
    EXPECT_EQ(dashboardDateLine("Sabtu, 07 Maret 2026", "18 Ramadhan 1447H"),
              "Sabtu, 07 Maret 2026 / 18 Ramadhan 1447H");
}

TEST(DashboardModel, JsonForm) {
    const QStringList always = {"city",           "title",         "dateLine",
                                "hours",          "minutes",       "colonVisible",
                                "timeUrgent",     "countdownLine", "countdownOpacity",
                                "countdownScale", "countdownGlow", "accent",
                                "loading",        "scheduleTitle", "rows"};
    {
        const Instant now = at(kDay, "15:20");
        const QJsonObject o = dashboardModel(loadedState(now), now, now, false).toJson();
        QStringList keys = always;
        keys << "statusLine";
        keys.sort();
        EXPECT_EQ(o.keys(), keys);
        EXPECT_EQ(o["accent"].toString(), "nightBlue");
        EXPECT_EQ(o["countdownLine"].toString(), "+8 menit");
        const QJsonObject row = o["rows"].toArray().at(3).toObject();
        EXPECT_EQ(row["label"].toString(), "ASHAR");
        EXPECT_EQ(row["time"].toString(), "15:12");
        EXPECT_TRUE(row["highlight"].toBool());
        EXPECT_EQ(row.keys(), (QStringList{"highlight", "label", "time"}));
    }
    {
        const Instant now = at(kDay, "15:20");
        const QJsonObject o = dashboardModel(AppState::placeholder(), now, now, true).toJson();
        EXPECT_EQ(o["emptyText"].toString(), "Jadwal belum tersedia.");
        EXPECT_TRUE(o["rows"].toArray().isEmpty());
        EXPECT_TRUE(o["loading"].toBool());
        EXPECT_EQ(o["hours"].toString(), "--");
    }
}

// The foot line says where the times come from while the countdown holds the countdown line, and why the
// location is what it is; nothing is said twice.
TEST(DashboardModel, StatusLineNamesTheSourceAndTheLocationOnce) {
    const Instant now = at(kDay, "14:00");
    AppState computed = loadedState(now);
    computed.statusText = "Jadwal hisab: Jakarta";
    AppState failed = AppState::placeholder();
    failed.statusText = "Gagal memuat jadwal untuk Jakarta";
    struct Case {
        const char* what;
        AppState state;
        const char* locationStatus;
        const char* statusLine;
        const char* countdownLine;
    } cases[] = {
        {"computed times", computed, "", "Jadwal hisab: Jakarta", "-1 jam 12 menit"},
        {"computed, location denied", computed, "Lokasi ditolak", "Jadwal hisab: Jakarta · Lokasi ditolak",
         "-1 jam 12 menit"},
        {"no times: the status is the countdown line already", failed, "Lokasi ditolak", "Lokasi ditolak",
         "Gagal memuat jadwal untuk Jakarta"},
        {"no times, nothing about the location", failed, "", "", "Gagal memuat jadwal untuk Jakarta"},
    };
    for (const Case& c : cases) {
        const DashboardModel m = dashboardModel(c.state, now, now, false, c.locationStatus);
        EXPECT_EQ(m.statusLine, c.statusLine) << c.what;
        EXPECT_EQ(m.countdownLine, c.countdownLine) << c.what;
        EXPECT_EQ(m.toJson().contains("statusLine"), !QString(c.statusLine).isEmpty()) << c.what;
    }
}
