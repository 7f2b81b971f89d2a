// Reading one month's answer in each of the service's forms.
#include "schedule/prayer_source.h"

#include "../tests/schedule/schedule_bodies.h"

#include <benchmark/benchmark.h>

namespace {

using namespace lumora;

void parseBody(benchmark::State& state, const QString& body) {
    qsizetype days = 0;
    for (auto _ : state) {
        const auto month = PrayerSource::parse(body, "jakarta", "2024-05");
        days = month ? month->days.size() : -1;
        benchmark::DoNotOptimize(days);
    }
    if (days != 31) state.SkipWithError("expected 31 days");
    state.SetBytesProcessed(state.iterations() * body.size() * 2);
}

void BM_ParseJsonMonth(benchmark::State& state) {
    parseBody(state, test::jsonMonth("2024-05", 31));
}
void BM_ParseXmlMonth(benchmark::State& state) {
    parseBody(state, test::xmlMonth("2024-05", 31));
}
// A whole page: read as XML first, then as a table.
void BM_ParseHtmlPage(benchmark::State& state) {
    parseBody(state, test::htmlMonthPage("2024-05", 31));
}

} // namespace

BENCHMARK(BM_ParseJsonMonth)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseXmlMonth)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseHtmlPage)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
