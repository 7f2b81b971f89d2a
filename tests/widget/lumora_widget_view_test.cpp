#include "widget/lumora_widget_view.h"

#include "model/dashboard_model.h"

#include "widget_fixtures.h"

#include <QColor>
#include <QFontMetricsF>
#include <QImage>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

const QColor kRed = QColor::fromRgbF(0.82f, 0.12f, 0.24f);
const QColor kGrey = QColor::fromRgbF(0.42f, 0.42f, 0.42f);

bool near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Pixels of `colour` inside a layout rectangle (in view units) of an image drawn at `scale`.
int countNear(const QImage& image, const QRectF& rect, QColor colour, double scale) {
    const QRect r = QRectF(rect.topLeft() * scale, rect.size() * scale).toAlignedRect() & image.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (near(image.pixelColor(x, y), colour, 24)) ++n;
    return n;
}

// Dark pixels, as glyphs of the black time text leave them.
int countDark(const QImage& image, const QRectF& rect, double scale) {
    return countNear(image, rect, Qt::black, scale);
}

} // namespace

TEST(LumoraWidgetView, DrawsBothFamiliesAtEveryScale) {
    const WidgetViewModel shown{"KOTA JAKARTA", "DHUHUR", "12:00", "SAATNYA ADZAN", 1, {}};
    const WidgetViewModel hidden{"KOTA JAKARTA", "DHUHUR", "12:00", "SAATNYA ADZAN", 0, {}};
    for (const WidgetFamily family : {WidgetFamily::small, WidgetFamily::medium}) {
        for (const double scale : {1.0, 2.0}) {
            SCOPED_TRACE(familyName(family).toStdString() + " x" + std::to_string(scale));
            const QImage on = LumoraWidgetView::render(shown, family, scale);
            const QImage off = LumoraWidgetView::render(hidden, family, scale);
            ASSERT_EQ(on.size(), widgetSize(family) * scale);

            const WidgetLayout l = LumoraWidgetView::layout(shown, family);
            const double area = l.title.rect.width() * l.title.rect.height() * scale * scale;
            EXPECT_GT(countNear(on, l.title.rect, kRed, scale), area * 0.03) << "the title is red";
            EXPECT_GT(countDark(on, l.time.rect, scale), 0) << "the time is black";
            EXPECT_GT(countNear(on, l.status.rect, kRed, scale), 10) << "the status line shows";
            EXPECT_EQ(countNear(off, l.status.rect, kRed, scale), 0) << "hidden on an odd entering second";
            EXPECT_GT(countNear(off, l.title.rect, kRed, scale), area * 0.03)
                << "only the status line blinks";

            // Rounded corners: transparent outside, the gradient's white inside.
            EXPECT_EQ(on.pixelColor(0, 0).alpha(), 0);
            EXPECT_EQ(on.pixelColor(on.width() - 1, on.height() - 1).alpha(), 0);
            EXPECT_TRUE(near(on.pixelColor(on.width() / 2, 3 * scale), Qt::white, 6));
            EXPECT_TRUE(near(on.pixelColor(on.width() - 1 - 30 * scale, on.height() - 1 - 4 * scale),
                             QColor::fromRgbF(1.0f, 0.97f, 0.98f), 6));
        }
    }
}

TEST(LumoraWidgetView, KeepsEveryLineInsideThePaddedArea) {
    WidgetViewModel longest{"KABUPATEN KEPULAUAN SERIBU UTARA",
                            "DHUHA / ISYROQ",
                            "--:--",
                            "Gagal memuat jadwal untuk Kabupaten Kepulauan Seribu Utara",
                            1,
                            {}};
    // A day that lists all seven slots, the widest name among them.
    for (const PrayerName name : kAllPrayerNames)
        longest.schedule.append({name, widgetTitle(name), "23:59", name == PrayerName::dhuha});
    for (const WidgetFamily family : {WidgetFamily::small, WidgetFamily::medium}) {
        SCOPED_TRACE(familyName(family).toStdString());
        const QRectF inner = QRectF(QPointF(0, 0), QSizeF(widgetSize(family))).adjusted(12, 12, -12, -12);
        const WidgetLayout l = LumoraWidgetView::layout(longest, family);
        for (const auto* line : {&l.brand, &l.accent, &l.city, &l.title, &l.time, &l.status}) {
            SCOPED_TRACE(line->text.toStdString());
            EXPECT_TRUE(inner.contains(line->rect)) << "line outside the padding";
            if (line != &l.status) // single lines shrink, then elide, to fit
                EXPECT_LE(QFontMetricsF(line->font).horizontalAdvance(line->text), inner.width() + 0.5);
        }
        EXPECT_LE(l.city.font.pixelSize(), 11);
        EXPECT_GE(l.city.font.pixelSize(), 6) << "shrinks to 0.6 at most";
        EXPECT_GE(l.status.font.pixelSize(), 7) << "shrinks to 0.65 at most";
        EXPECT_LT(l.brand.rect.right(), l.accent.rect.left()) << "the brand label reads vesk ADZAN";
        EXPECT_LT(l.city.rect.bottom(), l.title.rect.top());
        EXPECT_LT(l.title.rect.bottom(), l.time.rect.top());
        EXPECT_LT(l.time.rect.bottom(), l.status.rect.top());

        if (family == WidgetFamily::small) {
            EXPECT_TRUE(l.schedule.isEmpty());
            continue;
        }
        ASSERT_EQ(l.schedule.size(), 7);
        for (qsizetype i = 0; i < l.schedule.size(); ++i) {
            const WidgetLayout::Row& row = l.schedule[i];
            SCOPED_TRACE(row.label.text.toStdString());
            EXPECT_TRUE(inner.contains(row.rect)) << "row outside the padding";
            EXPECT_GT(row.rect.left(), l.status.rect.right()) << "the schedule stands beside the countdown";
            EXPECT_LT(row.label.rect.right(), row.time.rect.left());
            EXPECT_LE(QFontMetricsF(row.label.font).horizontalAdvance(row.label.text),
                      row.label.rect.width() + 0.5);
            EXPECT_LE(QFontMetricsF(row.time.font).horizontalAdvance(row.time.text),
                      row.time.rect.width() + 0.5);
            if (i > 0) {
                EXPECT_LE(l.schedule[i - 1].rect.bottom(), row.rect.top()) << "rows overlap";
            }
        }
    }
}

TEST(LumoraWidgetView, MediumListsTheDayBesideAnUnchangedCountdown) {
    const WidgetViewModel model =
        WidgetViewModel::make(test::at("2026-01-01T11:50:30"), "Kota Jakarta", test::widgetDay("2026-01-01"),
                              test::widgetDay("2026-01-02", "04:19"), "s");
    ASSERT_EQ(model.schedule.size(), 6);

    // The countdown column is the small widget's stack, line for line; the small widget lists nothing.
    const WidgetLayout small = LumoraWidgetView::layout(model, WidgetFamily::small);
    const WidgetLayout medium = LumoraWidgetView::layout(model, WidgetFamily::medium);
    for (const auto& [s, m] : {std::pair{&small.brand, &medium.brand},
                               {&small.accent, &medium.accent},
                               {&small.city, &medium.city},
                               {&small.title, &medium.title},
                               {&small.time, &medium.time},
                               {&small.status, &medium.status}}) {
        EXPECT_EQ(s->rect, m->rect) << s->text.toStdString();
        EXPECT_EQ(s->font, m->font) << s->text.toStdString();
    }
    WidgetViewModel withoutDay = model;
    withoutDay.schedule.clear();
    EXPECT_EQ(LumoraWidgetView::render(model, WidgetFamily::small, 2),
              LumoraWidgetView::render(withoutDay, WidgetFamily::small, 2))
        << "the small widget draws no schedule";

    const double scale = 2;
    const QImage image = LumoraWidgetView::render(model, WidgetFamily::medium, scale);
    ASSERT_EQ(medium.schedule.size(), 6);
    for (qsizetype i = 0; i < medium.schedule.size(); ++i) {
        const WidgetLayout::Row& row = medium.schedule[i];
        SCOPED_TRACE(row.label.text.toStdString());
        EXPECT_EQ(row.label.text, model.schedule[i].label);
        EXPECT_EQ(row.time.text, model.schedule[i].time);
        const double band = row.rect.width() * row.rect.height() * scale * scale;
        const int red = countNear(image, row.rect, kRed, scale);
        if (row.label.text == u"DHUHUR") {
            // The featured prayer: a red band, its texts white on it.
            EXPECT_GT(red, band * 0.5);
            EXPECT_GT(countNear(image, row.time.rect, Qt::white, scale), 10);
        } else {
            EXPECT_LT(red, band * 0.02) << "only the featured row is marked";
            EXPECT_GT(countDark(image, row.time.rect, scale), 10) << "the time is drawn in black";
        }
    }

    // No day in the snapshot: the column says so, in grey.
    const WidgetLayout empty = LumoraWidgetView::layout(withoutDay, WidgetFamily::medium);
    EXPECT_TRUE(empty.schedule.isEmpty());
    ASSERT_TRUE(empty.scheduleEmpty);
    EXPECT_EQ(empty.scheduleEmpty->text, DashboardTexts::kNoSchedule);
    EXPECT_GT(countNear(LumoraWidgetView::render(withoutDay, WidgetFamily::medium, scale),
                        empty.scheduleEmpty->rect, kGrey, scale),
              20);
}
