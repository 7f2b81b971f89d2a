#include "shell/dashboard_painter.h"

#include "model/app_state.h"
#include "model/date_helpers.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "support/sample_days.h"

#include <benchmark/benchmark.h>

using namespace lumora;

namespace {

PrayerDay day(const QString& date) {
    return test::sampleDay(date, "Jakarta");
}

// One window frame at `size`: the entering phase, the heaviest (glow, blinking), as the window repaints it.
void paintFrame(benchmark::State& state, QSize size) {
    const Instant now = *DateHelpers::makeDate("2026-03-07", "15:12");
    const AppState s = buildState(fallbackJakarta(), PrayerMonthCache{"jkt", "2026-03", {day("2026-03-07")}},
                                  {}, GeoPoint{-6.2, 106.8}, now);
    DashboardFrame frame;
    frame.model = frame.previous = dashboardModel(s, now, now, false);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    DashboardPainter painter;
    for (auto _ : state) {
        QPainter p(&image);
        painter.paint(p, QSizeF(size), frame);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

static void BM_PaintDashboard_731x500(benchmark::State& state) {
    paintFrame(state, QSize(731, 500));
}
BENCHMARK(BM_PaintDashboard_731x500)->Unit(benchmark::kMillisecond);

static void BM_PaintDashboard_1462x1000(benchmark::State& state) {
    paintFrame(state, QSize(1462, 1000));
}
BENCHMARK(BM_PaintDashboard_1462x1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("TZ", "Asia/Jakarta");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
