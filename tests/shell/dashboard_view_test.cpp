#include "shell/dashboard_painter.h"
#include "shell/dashboard_view.h"

#include "model/app_state.h"
#include "model/date_helpers.h"

#include "support/printers.h"
#include "support/sample_days.h"

#include <QAccessible>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

Instant at(const char* hhmm, double extraSeconds = 0) {
    return *DateHelpers::makeDate("2026-03-07", hhmm) + extraSeconds;
}

DashboardModel modelAt(Instant now, bool loading = false) {
    const PrayerMonthCache month{
        "jkt", "2026-03", {test::sampleDay("2026-03-07"), test::sampleDay("2026-03-08")}};
    const AppState s = buildState(fallbackJakarta(), month, {}, GeoPoint{-6.2, 106.8}, now);
    return dashboardModel(s, now, now, loading);
}

void keep(const QImage& img, const QString& name) {
    QDir().mkpath(LUMORA_TEST_ARTIFACTS);
    img.save(QStringLiteral(LUMORA_TEST_ARTIFACTS "/") + name);
}

bool near(QRgb px, const QColor& c, int tolerance = 40) {
    return std::abs(qRed(px) - c.red()) + std::abs(qGreen(px) - c.green()) + std::abs(qBlue(px) - c.blue()) <=
           tolerance;
}

// Pixels close to `c` inside a rectangle given in canvas points.
int count(const QImage& img, QRectF canvasRect, const QColor& c, double scale) {
    const QRect r = QRectF(canvasRect.topLeft() * scale, canvasRect.size() * scale).toRect() & img.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += near(img.pixel(x, y), c);
    return n;
}

// The schedule rows as seen down one column of the card: each run of non-white pixels is a row, reported
// as "H" (crimson) or "r" (row tint).
QString rowBands(const QImage& img, double scale) {
    const int x = int(505 * scale);
    QString bands;
    int start = -1;
    for (int y = int(75 * scale); y < int(478 * scale); ++y) {
        const QRgb px = img.pixel(x, y);
        const bool white = qRed(px) > 250 && qGreen(px) > 250 && qBlue(px) > 250;
        if (!white && start < 0) start = y;
        if (white && start >= 0) {
            // Judge a band by its middle, away from the antialiased corners; short runs are text.
            if (y - start > 20 * scale)
                bands += near(img.pixel(x, (start + y) / 2), DashboardColors::crimson()) ? u'H' : u'r';
            start = -1;
        }
    }
    return bands;
}

const QRectF kTitleBand(40, 90, 400, 90);
const QRectF kCountdownBand(40, 380, 400, 45);
const QRectF kHeroCard(20, 20, 441, 460);

} // namespace

TEST(DashboardScale, FollowsTheSmallerSideButNeverBelowTheMinimum) {
    struct Case {
        QSizeF content;
        double scale;
    } cases[] = {{{731, 500}, 1.0},  {{365.5, 250}, 0.5}, {{1462, 1000}, 2.0}, {{1462, 500}, 1.0},
                 {{731, 1000}, 1.0}, {{150, 100}, 0.3},   {{219.3, 150}, 0.3}, {{10, 10}, 0.3}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(dashboardScale(c.content), c.scale)
            << c.content.width() << "x" << c.content.height();
}

TEST(DashboardRender, ProbesAtOneAndTwoTimes) {
    for (const double dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QString suffix = dpr == 1.0 ? "@1x.png" : "@2x.png";
        const QImage upcoming = renderDashboard(modelAt(at("14:00")), QSize(731, 500), dpr);
        const QImage cooldown = renderDashboard(modelAt(at("15:20")), QSize(731, 500), dpr);
        const QImage entering = renderDashboard(modelAt(at("15:12")), QSize(731, 500), dpr);
        keep(upcoming, "dashboard-upcoming" + suffix);
        keep(cooldown, "dashboard-cooldown" + suffix);
        keep(entering, "dashboard-entering" + suffix);
        ASSERT_EQ(upcoming.size(), QSize(731, 500) * dpr);

        // Ashar is the fourth of six rows.
        EXPECT_EQ(rowBands(upcoming, dpr), "rrrHrr");
        EXPECT_EQ(rowBands(cooldown, dpr), "rrrHrr");

        // The title is crimson in every phase; the countdown line turns night blue in cool-down only.
        const double area = dpr * dpr;
        EXPECT_GT(count(upcoming, kTitleBand, DashboardColors::crimson(), dpr), 1500 * area);
        EXPECT_GT(count(cooldown, kTitleBand, DashboardColors::crimson(), dpr), 1500 * area);
        EXPECT_GT(count(cooldown, kCountdownBand, DashboardColors::nightBlue(), dpr), 300 * area);
        EXPECT_EQ(count(upcoming, kHeroCard, DashboardColors::nightBlue(), dpr), 0);
        EXPECT_GT(count(upcoming, kCountdownBand, DashboardColors::crimson(), dpr), 300 * area);

        // Urgent digits are amber.
        EXPECT_GT(count(entering, QRectF(40, 180, 400, 150), DashboardColors::amber(), dpr), 3000 * area);
        EXPECT_EQ(count(upcoming, QRectF(40, 180, 400, 150), DashboardColors::amber(), dpr), 0);
    }
}

TEST(DashboardRender, BeforeTheFirstScheduleAndLoading) {
    const Instant now = at("09:41");
    const QImage img =
        renderDashboard(dashboardModel(AppState::placeholder(), now, now, true), QSize(731, 500));
    keep(img, "dashboard-loading@1x.png");
    EXPECT_EQ(rowBands(img, 1.0), "");
    // The progress bar: a crimson track and segment under the countdown line.
    EXPECT_GT(count(img, QRectF(40, 426, 400, 20), DashboardColors::crimson(), 1.0), 100);
}

TEST(DashboardRender, SmallWindowsClipTheCanvasAtItsMinimumScale) {
    const DashboardModel m = modelAt(at("14:00"));
    const QImage half = renderDashboard(m, QSize(366, 250));
    keep(half, "dashboard-half@1x.png");
    EXPECT_EQ(rowBands(half, 0.5).count(u'H'), 1);

    // At 0.3 the canvas would need 219.3 x 150; a smaller window shows its top-left corner.
    const QImage small = renderDashboard(m, QSize(120, 80));
    const QImage atMinimum = renderDashboard(m, QSize(220, 150));
    EXPECT_EQ(small, atMinimum.copy(0, 0, 120, 80));
}

TEST(DashboardView, RefreshButtonIsAccessibleAndRunsTheAction) {
    DashboardView view;
    int refreshes = 0;
    QObject::connect(&view, &DashboardView::refreshRequested, [&] { ++refreshes; });
    view.resize(731, 500);
    view.show();
    RefreshButton* button = view.refreshButton();
    EXPECT_EQ(button->accessibleName(), "Refresh Lokasi + Jadwal");
    EXPECT_EQ(button->focusPolicy(), Qt::StrongFocus);
    // The button lies over the painted crimson circle.
    auto overCircle = [&] {
        const QImage img = view.renderToImage(view.size());
        const QRect g = button->geometry();
        return g.width() >= 29 && near(img.pixel(g.center()), DashboardColors::crimson()) &&
               near(img.pixel(g.center() + QPoint(0, g.height() * 2 / 5)), DashboardColors::crimson());
    };
    EXPECT_TRUE(overCircle());

    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(refreshes, 1);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(1, 1)); // outside the circle
    EXPECT_EQ(refreshes, 1);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(refreshes, 2);

    // The button follows the canvas scale.
    view.resize(1462, 1000);
    EXPECT_TRUE(overCircle());
    EXPECT_GE(button->width(), 59);
}

TEST(DashboardView, AnimatesOnlyWhileShown) {
    DashboardView view;
    view.resize(731, 500);
    view.setModel(modelAt(at("15:02")));
    view.setModel(modelAt(at("15:12"))); // approaching to entering while hidden
    EXPECT_FALSE(view.isAnimating());

    view.show();
    view.setModel(modelAt(at("15:20"))); // entering to cool-down
    EXPECT_TRUE(view.isAnimating());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.isAnimating(); }, 2000));

    view.setModel(modelAt(at("15:21")));
    view.hide();
    EXPECT_FALSE(view.isAnimating());
    // What the view draws now is the latest model, with nothing half-way.
    EXPECT_EQ(view.renderToImage(QSize(731, 500)), renderDashboard(modelAt(at("15:21")), QSize(731, 500)));
}
