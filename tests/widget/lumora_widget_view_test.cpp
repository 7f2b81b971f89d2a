#include "widget/lumora_widget_view.h"

#include "widget_fixtures.h"

#include <QColor>
#include <QFontMetricsF>
#include <QImage>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

const QColor kRed = QColor::fromRgbF(0.82f, 0.12f, 0.24f);

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
    const WidgetViewModel shown{"KOTA JAKARTA", "DHUHUR", "12:00", "SAATNYA ADZAN", 1};
    const WidgetViewModel hidden{"KOTA JAKARTA", "DHUHUR", "12:00", "SAATNYA ADZAN", 0};
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
    const WidgetViewModel longest{"KABUPATEN KEPULAUAN SERIBU UTARA", "DHUHA / ISYROQ", "--:--",
                                  "Gagal memuat jadwal untuk Kabupaten Kepulauan Seribu Utara", 1};
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
    }
}
