#include "hisab/hisab.h"

#include "model/date_helpers.h"

#include <benchmark/benchmark.h>

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

BENCHMARK_MAIN();
