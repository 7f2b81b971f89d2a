#include "hisab/hijri_calendar.h"
#include "hisab/hisab.h"

#include "model/date_helpers.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace lumora;

// A month is computed when no schedule can be had: at start-up and on each refresh that falls back.
static void BM_ComputeMonth(benchmark::State& state) {
    const hisab::Place jakarta{-6.2088, 106.8456};
    const Instant march = *DateHelpers::makeDate("2026-03-15", "12:00");
    for (auto _ : state) {
        auto month = hisab::computeMonth(jakarta, march, "jkt", "Jakarta");
        benchmark::DoNotOptimize(month);
    }
}
BENCHMARK(BM_ComputeMonth)->Unit(benchmark::kMicrosecond);

// The astronomy alone, one day: what the month costs apart from the calendar and the formatting.
static void BM_ComputeDay(benchmark::State& state) {
    const hisab::Place jakarta{-6.2088, 106.8456};
    const Instant day = *DateHelpers::makeDate("2026-03-15", "12:00");
    for (auto _ : state) {
        auto times = hisab::computeDay(jakarta, day);
        benchmark::DoNotOptimize(times);
    }
}
BENCHMARK(BM_ComputeDay)->Unit(benchmark::kMicrosecond);

// The Hijri line: one date through the configured calendar, as the window and `today` ask for it. The month
// starts are kept once computed, so this is the steady cost.
static void BM_FormatHijriDayIndonesia(benchmark::State& state) {
    DateHelpers::setHijriCalendar(&hisab::indonesianHijriDate, 0);
    const Instant t = *DateHelpers::makeDate("2026-03-09", "12:00");
    for (auto _ : state) {
        auto text = DateHelpers::formatHijriDay(t);
        benchmark::DoNotOptimize(text);
    }
    DateHelpers::setHijriCalendar(nullptr, 0);
}
BENCHMARK(BM_FormatHijriDayIndonesia)->Unit(benchmark::kMicrosecond);

static void BM_FormatHijriDayUmmAlQura(benchmark::State& state) {
    DateHelpers::setHijriCalendar(&DateHelpers::ummAlQuraDate, 0);
    const Instant t = *DateHelpers::makeDate("2026-03-09", "12:00");
    for (auto _ : state) {
        auto text = DateHelpers::formatHijriDay(t);
        benchmark::DoNotOptimize(text);
    }
    DateHelpers::setHijriCalendar(nullptr, 0);
}
BENCHMARK(BM_FormatHijriDayUmmAlQura)->Unit(benchmark::kMicrosecond);

// A whole year of month starts computed afresh (1448 H from 1 Muharram 1448): twelve evenings of sunset, Sun,
// Moon and conjunction.
static void BM_YearOfMonthStarts(benchmark::State& state) {
    const std::chrono::year_month_day muharram{std::chrono::year{2026}, std::chrono::June,
                                               std::chrono::day{16}};
    for (auto _ : state) {
        auto start = muharram;
        for (int month = 0; month < 12; ++month)
            start = hisab::nextMonthStart(start);
        benchmark::DoNotOptimize(start);
    }
}
BENCHMARK(BM_YearOfMonthStarts)->Unit(benchmark::kMicrosecond);

// The first use in a process: months from the epoch up to 1460 H, then its twelve starts.
static void BM_FirstYearFarFromTheEpoch(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<std::chrono::year_month_day> starts;
        // A new thread starts with nothing kept.
        std::thread([&starts] { starts = hisab::monthStartsOfYear(1460); }).join();
        benchmark::DoNotOptimize(starts);
    }
}
BENCHMARK(BM_FirstYearFarFromTheEpoch)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
