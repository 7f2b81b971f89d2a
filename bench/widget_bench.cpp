#include "widget/lumora_widget_provider.h"

#include "model/date_helpers.h"

#include <QFile>
#include <QTemporaryDir>

#include "support/sample_days.h"

#include <benchmark/benchmark.h>

using namespace lumora;

namespace {

PrayerDay day(const QString& date) {
    return test::sampleDay(date, "Jakarta");
}

WidgetSnapshot snapshot() {
    return {"Kota Jakarta",    "jkt", day("2026-01-01"), day("2026-01-02"), "Jadwal tersedia",
            Instant{788918400}};
}

} // namespace

// What the host does at every reload: read the file and lay out the hour.
static void BM_WidgetTimelineFromFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/widget-snapshot.json";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(*snapshot().toJsonBytes()) < 0) {
        state.SkipWithError("cannot write the snapshot");
        return;
    }
    f.close();
    const LumoraWidgetProvider provider(path);
    const ManualClock clock(*DateHelpers::makeDate("2026-01-01", "11:30"));
    for (auto _ : state) {
        auto t = provider.getTimeline(clock);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_WidgetTimelineFromFile)->Unit(benchmark::kMicrosecond);

// The timeline with every entry's view model evaluated, as `lumora-widget timeline` prints it.
static void BM_WidgetTimelineWithViewModels(benchmark::State& state) {
    const WidgetSnapshot s = snapshot();
    const Instant start = *DateHelpers::makeDate("2026-01-01", "11:30");
    for (auto _ : state) {
        const LumoraWidgetTimeline t = LumoraWidgetProvider::timeline(start, s);
        for (const LumoraWidgetEntry& e : t.entries) {
            auto m = e.viewModel();
            benchmark::DoNotOptimize(m);
        }
    }
}
BENCHMARK(BM_WidgetTimelineWithViewModels)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
