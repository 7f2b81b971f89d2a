#include "model/app_state.h"
#include "model/date_helpers.h"
#include "model/tray_presentation.h"

#include "support/printers.h"
#include "support/sample_days.h"

#include <gtest/gtest.h>

using namespace lumora;

namespace {

// The test process runs in Asia/Jakarta; whole minutes are even seconds since 2001.
Instant at(const char* day, const char* hhmm, double extraSeconds = 0) {
    return *DateHelpers::makeDate(day, hhmm) + extraSeconds;
}

const char* kDay = "2026-03-07";

AppState loadedState(Instant now) {
    const PrayerMonthCache month{
        "jkt", "2026-03", {test::sampleDay("2026-03-07"), test::sampleDay("2026-03-08")}};
    return buildState(fallbackJakarta(), month, {}, GeoPoint{-6.2, 106.8}, now);
}

} // namespace

TEST(TrayPresentation, TitleColourAndMenuTime) {
    struct Case {
        const char* what;
        Instant now;
        double blinkOffset; // blinkNow = now + this
        const char* title;
        StatusColor color;
        const char* menuTime;
    } cases[] = {
        {"61 minutes before ashar", at(kDay, "14:11"), 0, " ASHAR -1j 1m", StatusColor::label, "15:12"},
        {"an hour exactly", at(kDay, "14:12"), 0, " ASHAR -1j 0m", StatusColor::label, "15:12"},
        {"approaching", at(kDay, "15:02"), 0, " ASHAR -10m", StatusColor::orange, "15:12"},
        {"5 minutes is no longer approaching", at(kDay, "15:07"), 0, " ASHAR -5m", StatusColor::label,
         "15:12"},
        {"the last minute still counts down", at(kDay, "15:11", 30), 0.5, " ASHAR -1m", StatusColor::label,
         "15:12"},
        {"61 s before rounds up to two", at(kDay, "15:10", 59), 0, " ASHAR -2m", StatusColor::label, "15:12"},
        {"entering, even blink second", at(kDay, "15:12"), 0, " ASHAR ADZAN", StatusColor::red, "15:12"},
        {"entering, odd blink second", at(kDay, "15:12"), 1, " ASHAR ADZAN", StatusColor::clear, "15:12"},
        {"blink parity follows blinkNow, not now", at(kDay, "15:14", 1), -1, " ASHAR ADZAN", StatusColor::red,
         "15:12"},
        {"cooldown", at(kDay, "15:21", 30), 0, " ASHAR +9m", StatusColor::darkBlue, "15:12"},
        {"sunrise: 59 s before dhuha starts", at(kDay, "06:04", 1), 0, " SYURUQ -1m", StatusColor::label,
         "05:50"},
        {"sunrise: approaching band", at(kDay, "05:52"), 0, " SYURUQ -13m", StatusColor::orange, "05:50"},
        {"dhuha window", at(kDay, "06:07"), 1, " DHUHA / ISYROQ MASUK", StatusColor::clear, "06:05"},
        {"after isya, tomorrow's subuh", at(kDay, "20:00"), 0, " SUBUH -8j 38m", StatusColor::label, "04:38"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TrayPresentation p = presentTray(loadedState(c.now), c.now, c.now + c.blinkOffset);
        EXPECT_EQ(p.title, c.title);
        EXPECT_EQ(p.color, c.color);
        EXPECT_EQ(p.menuTimeText, c.menuTime);
    }
}

TEST(TrayPresentation, WithoutSchedule) {
    const Instant now = at(kDay, "09:41", 30);
    {
        SCOPED_TRACE("no display and no next prayer");
        const TrayPresentation p = presentTray(AppState::placeholder(), now, now + 1);
        EXPECT_FALSE(p.display);
        EXPECT_EQ(p.prayerLabel, "JADWAL");
        EXPECT_EQ(p.title, " JADWAL Memuat jadwal...");
        EXPECT_EQ(p.color, StatusColor::label);
        EXPECT_EQ(p.menuTime, now);
        EXPECT_EQ(p.menuTimeText, "09:41");
        EXPECT_EQ(p.tooltip, "Jakarta\nMemuat jadwal...");
    }
    {
        SCOPED_TRACE("a next prayer without days");
        AppState s = AppState::placeholder();
        s.statusText = "Gagal memuat jadwal untuk Jakarta";
        s.nextPrayer = NextPrayer{PrayerName::maghrib, at(kDay, "18:08"), "jkt"};
        const TrayPresentation p = presentTray(s, now, now);
        EXPECT_EQ(p.title, " MAGHRIB Gagal memuat jadwal untuk Jakarta");
        EXPECT_EQ(p.menuTimeText, "18:08");
        EXPECT_EQ(p.color, StatusColor::label);
    }
}

TEST(TrayPresentation, Tooltip) {
    struct Case {
        Instant now;
        const char* tooltip;
    } cases[] = {
        {at(kDay, "14:11"), "Jakarta\nASHAR 15:12\n-1 jam 1 menit"},
        {at(kDay, "15:12", 1), "Jakarta\nASHAR 15:12\nSAATNYA ADZAN"},
        {at(kDay, "15:30"), "Jakarta\nASHAR 15:12\n+18 menit"},
    };
    for (const Case& c : cases) {
        const TrayPresentation p = presentTray(loadedState(c.now), c.now, c.now);
        EXPECT_EQ(p.tooltip, c.tooltip);
    }
    // The app adds how it knows the place, so computed times or a wrong city can be traced to it.
    const Instant now = at(kDay, "14:11");
    EXPECT_EQ(presentTray(loadedState(now), now, now, "Lokasi ditolak").tooltip,
              "Jakarta\nASHAR 15:12\n-1 jam 1 menit\nLokasi ditolak");
    EXPECT_EQ(presentTray(AppState::placeholder(), now, now, "Menunggu lokasi...").tooltip,
              "Jakarta\nMemuat jadwal...\nMenunggu lokasi...");
}

TEST(TrayPresentation, CompactMinutes) {
    struct Case {
        int minutes;
        const char* text;
    } cases[] = {{0, "-0m"},      {5, "-5m"},       {59, "-59m"},     {60, "-1j 0m"},
                 {75, "-1j 15m"}, {-75, "-1j 15m"}, {1441, "-24j 1m"}};
    for (const Case& c : cases)
        EXPECT_EQ(compactMinutes(c.minutes), c.text) << c.minutes;
}
