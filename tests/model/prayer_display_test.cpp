#include "model/date_helpers.h"
#include "model/prayer_display.h"

#include "support/printers.h"
#include "support/sample_days.h"

#include <gtest/gtest.h>

using namespace lumora;

namespace {

// The test process runs in Asia/Jakarta.
Instant at(const char* day, const char* hhmm, double extraSeconds = 0) {
    return *DateHelpers::makeDate(day, hhmm) + extraSeconds;
}

PrayerDay parsedDay(const QString& date, const char* subuh = "04:38", const char* syuruq = "05:50") {
    return test::sampleDay(date, "jkt", subuh, syuruq);
}

const PrayerDay kToday = parsedDay("2026-03-07");
const PrayerDay kTomorrow = parsedDay("2026-03-08", "04:39");

struct Expect {
    PrayerName prayer;
    PrayerDisplayMode mode;
    PrayerDisplayPhase phase;
    const char* text;
};

void check(Instant now, const std::optional<PrayerDay>& today, const std::optional<PrayerDay>& tomorrow,
           const Expect& e) {
    const auto s = prayerDisplay(now, today, tomorrow);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->prayer, e.prayer);
    EXPECT_EQ(s->mode, e.mode);
    EXPECT_EQ(s->phase(now), e.phase);
    EXPECT_EQ(s->secondaryText(now), e.text);
    // The countdown target is present exactly in mode upcoming.
    EXPECT_EQ(s->countdownTarget.has_value(), e.mode == PrayerDisplayMode::upcoming);
}

} // namespace

TEST(PrayerDisplay, AroundOnePrayer) {
    using M = PrayerDisplayMode;
    using P = PrayerDisplayPhase;
    const char* d = "2026-03-07";
    struct Case {
        Instant now;
        Expect e;
    } cases[] = {
        {at(d, "14:00"), {PrayerName::ashar, M::upcoming, P::upcoming, "-1 jam 12 menit"}},
        {at(d, "14:56"), {PrayerName::ashar, M::upcoming, P::upcoming, "-16 menit"}},
        {at(d, "14:57"), {PrayerName::ashar, M::upcoming, P::approaching, "-15 menit"}},
        {at(d, "15:02"), {PrayerName::ashar, M::upcoming, P::approaching, "-10 menit"}},
        {at(d, "15:06"), {PrayerName::ashar, M::upcoming, P::approaching, "-6 menit"}},
        {at(d, "15:07"), {PrayerName::ashar, M::upcoming, P::upcoming, "-5 menit"}},
        {at(d, "15:09"), {PrayerName::ashar, M::upcoming, P::upcoming, "-3 menit"}},
        {at(d, "15:11", 0), {PrayerName::ashar, M::upcoming, P::upcoming, "-1 menit"}}, // 60 s before
        // Until the published time the faces count down: it already holds the precaution minutes.
        {at(d, "15:11", 1), {PrayerName::ashar, M::upcoming, P::upcoming, "-1 menit"}}, // 59 s before
        {at(d, "15:11", 59), {PrayerName::ashar, M::upcoming, P::upcoming, "-1 menit"}},
        {at(d, "15:12"), {PrayerName::ashar, M::entering, P::entering, "SAATNYA ADZAN"}}, // exactly at
        {at(d, "15:12", 59), {PrayerName::ashar, M::entering, P::entering, "SAATNYA ADZAN"}},
        {at(d, "15:13"), {PrayerName::ashar, M::passed, P::entering, "SAATNYA ADZAN"}},
        {at(d, "15:17", 59), {PrayerName::ashar, M::passed, P::entering, "SAATNYA ADZAN"}},
        {at(d, "15:18"), {PrayerName::ashar, M::passed, P::cooldown, "+6 menit"}},
        {at(d, "15:42", 59), {PrayerName::ashar, M::passed, P::cooldown, "+30 menit"}},
        {at(d, "15:43"), {PrayerName::maghrib, M::upcoming, P::upcoming, "-2 jam 25 menit"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(DateHelpers::displayTimeFormatter().format(c.now).toStdString() + " +" +
                     std::to_string(static_cast<int>(c.now.seconds) % 60));
        check(c.now, kToday, kTomorrow, c.e);
    }
}

TEST(PrayerDisplay, MinutesUntilTargetRoundsUp) {
    const auto s = prayerDisplay(at("2026-03-07", "14:00"), kToday, std::nullopt);
    ASSERT_TRUE(s);
    const Instant ashar = at("2026-03-07", "15:12");
    EXPECT_EQ(s->minutesUntilTarget(ashar - 1), 1);
    EXPECT_EQ(s->minutesUntilTarget(ashar - 60), 1);
    EXPECT_EQ(s->minutesUntilTarget(ashar - 61), 2);
    // Evaluated after its target: entering, 0 minutes.
    EXPECT_EQ(s->minutesUntilTarget(ashar + 5), 0);
    EXPECT_EQ(s->phase(ashar + 5), PrayerDisplayPhase::entering);
    EXPECT_EQ(s->secondaryText(ashar + 5), "SAATNYA ADZAN");
}

TEST(PrayerDisplay, SunriseRule) {
    using M = PrayerDisplayMode;
    using P = PrayerDisplayPhase;
    const char* d = "2026-03-07";
    struct Case {
        Instant now;
        Expect e;
        std::optional<Instant> dateTime;
    } cases[] = {
        {at(d, "05:50"), {PrayerName::syuruq, M::upcoming, P::approaching, "-15 menit"}, at(d, "05:50")},
        {at(d, "06:04", 59), {PrayerName::syuruq, M::upcoming, P::upcoming, "-1 menit"}, at(d, "05:50")},
        {at(d, "06:05"), {PrayerName::dhuha, M::entering, P::entering, "WAKTU DHUHA"}, at(d, "06:05")},
        {at(d, "06:14", 59), {PrayerName::dhuha, M::entering, P::entering, "WAKTU DHUHA"}, at(d, "06:05")},
        {at(d, "06:15"), {PrayerName::syuruq, M::passed, P::cooldown, "+25 menit"}, at(d, "05:50")},
        {at(d, "06:20", 59), {PrayerName::syuruq, M::passed, P::cooldown, "+30 menit"}, at(d, "05:50")},
        {at(d, "06:21"), {PrayerName::dhuhur, M::upcoming, P::upcoming, "-5 jam 40 menit"}, at(d, "12:01")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(DateHelpers::displayTimeFormatter().format(c.now).toStdString());
        check(c.now, kToday, kTomorrow, c.e);
        EXPECT_EQ(prayerDisplay(c.now, kToday, kTomorrow)->dateTime, c.dateTime);
    }
    // The countdown while syuruq is featured runs to the start of dhuha.
    EXPECT_EQ(prayerDisplay(at(d, "05:50"), kToday, kTomorrow)->countdownTarget, at(d, "06:05"));
}

TEST(PrayerDisplay, EveningAndMissingDays) {
    const char* d = "2026-03-07";
    // 31 minutes after isya, no tomorrow: isya stays featured as passed.
    check(at(d, "19:48"), kToday, std::nullopt,
          {PrayerName::isya, PrayerDisplayMode::passed, PrayerDisplayPhase::cooldown, "+31 menit"});
    // With tomorrow: tomorrow's subuh, hours ahead. Tomorrow's syuruq never triggers the sunrise rule
    // tonight.
    check(at(d, "21:34"), kToday, kTomorrow,
          {PrayerName::subuh, PrayerDisplayMode::upcoming, PrayerDisplayPhase::upcoming, "-7 jam 5 menit"});
    EXPECT_EQ(prayerDisplay(at(d, "12:00"), std::nullopt, std::nullopt), std::nullopt);
    const PrayerDay unreadable{"jkt", "jkt", "2026-03-07", {{PrayerName::subuh, "--:--"}}};
    EXPECT_EQ(prayerDisplay(at(d, "12:00"), unreadable, std::nullopt), std::nullopt);
    const PrayerDay badDate{"jkt", "jkt", "07-03-2026", {{PrayerName::subuh, "04:38"}}};
    EXPECT_EQ(prayerDisplay(at(d, "12:00"), badDate, std::nullopt), std::nullopt);
}

TEST(PrayerDisplay, EqualInstantsAndClosePrayers) {
    const char* d = "2026-03-07";
    const PrayerDay twins{"jkt", "jkt", d, {{PrayerName::maghrib, "18:08"}, {PrayerName::isya, "18:08"}}};
    // Ahead: the one stored first is next.
    EXPECT_EQ(prayerDisplay(at(d, "17:00"), twins, std::nullopt)->prayer, PrayerName::maghrib);
    // At the instant: the later-stored one is last.
    EXPECT_EQ(prayerDisplay(at(d, "18:08"), twins, std::nullopt)->prayer, PrayerName::isya);

    const PrayerDay close{"jkt", "jkt", d, {{PrayerName::maghrib, "18:00"}, {PrayerName::isya, "18:20"}}};
    check(at(d, "18:10"), close, std::nullopt,
          {PrayerName::maghrib, PrayerDisplayMode::passed, PrayerDisplayPhase::cooldown, "+10 menit"});
    check(at(d, "18:20"), close, std::nullopt,
          {PrayerName::isya, PrayerDisplayMode::entering, PrayerDisplayPhase::entering, "SAATNYA ADZAN"});
}

TEST(PrayerDisplay, BlinkFollowsEvenSecondsWhileEntering) {
    const auto entering = prayerDisplay(at("2026-03-07", "15:12"), kToday, std::nullopt);
    ASSERT_TRUE(entering);
    // Reference-date seconds and Unix seconds share parity.
    const Instant even = Instant{std::floor(at("2026-03-07", "15:12").seconds / 2) * 2};
    EXPECT_TRUE(entering->isBlinkVisible(even));
    EXPECT_FALSE(entering->isBlinkVisible(even + 1));
    EXPECT_TRUE(entering->isBlinkVisible(even + 1.999 - 1));
    const auto upcoming = prayerDisplay(at("2026-03-07", "14:00"), kToday, std::nullopt);
    EXPECT_TRUE(upcoming->isBlinkVisible(at("2026-03-07", "14:00", 1)));
    const auto cooldown = prayerDisplay(at("2026-03-07", "15:30"), kToday, std::nullopt);
    EXPECT_TRUE(cooldown->isBlinkVisible(at("2026-03-07", "15:30", 1)));
}

TEST(FormatCountdown, Table) {
    struct Case {
        int minutes;
        const char* text;
    } cases[] = {{0, "0 menit"},          {59, "59 menit"},         {60, "1 jam 0 menit"},
                 {135, "2 jam 15 menit"}, {-75, "-1 jam 15 menit"}, {-5, "-5 menit"}};
    for (const auto& c : cases)
        EXPECT_EQ(formatCountdown(c.minutes), c.text) << c.minutes;
}
