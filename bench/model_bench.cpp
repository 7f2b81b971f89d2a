#include "model/date_helpers.h"
#include "model/prayer_display.h"

#include "support/sample_days.h"

#include <benchmark/benchmark.h>

using namespace lumora;

namespace {
PrayerDay day(const QString& date) {
    return test::sampleDay(date, "Jakarta");
}
} // namespace

// Runs every second in the app and 61 times per widget timeline.
static void BM_PrayerDisplay(benchmark::State& state) {
    const std::optional<PrayerDay> today = day("2026-03-07"), tomorrow = day("2026-03-08");
    Instant now = *DateHelpers::makeDate("2026-03-07", "14:00");
    for (auto _ : state) {
        auto s = prayerDisplay(now, today, tomorrow);
        benchmark::DoNotOptimize(s);
        now = now + 1;
    }
}
BENCHMARK(BM_PrayerDisplay);

BENCHMARK_MAIN();
