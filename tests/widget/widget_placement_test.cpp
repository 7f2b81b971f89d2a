#include "widget/widget_placement.h"

#include <gtest/gtest.h>

using namespace lumora;

namespace {

// A 1920 x 1080 screen with a 32-pixel panel along its top.
const QRect kArea(0, 32, 1920, 1048);
const QSize kSmall(170, 170);
const QSize kMedium(364, 170);

QRect box(int x, int y, QSize size) {
    return QRect(QPoint(x, y), size);
}

} // namespace

TEST(WidgetPlacement, GrowsTowardTheFreeSideAndStaysInsideTheArea) {
    struct Case {
        const char* what;
        QRect area;
        QRect old;
        QSize size;
        QRect expected;
    } cases[] = {
        {"room on the right: grows to the right", kArea, box(100, 200, kSmall), kMedium,
         box(100, 200, kMedium)},
        // The default place, 24 pixels in from the top right corner: the right edge stays put.
        {"near the right edge: grows to the left", kArea, box(1726, 56, kSmall), kMedium,
         box(1532, 56, kMedium)},
        {"touching the right edge", kArea, box(1750, 56, kSmall), kMedium, box(1556, 56, kMedium)},
        {"shrinking at the right edge keeps it there", kArea, box(1556, 56, kMedium), kSmall,
         box(1750, 56, kSmall)},
        {"shrinking at the left keeps the left edge", kArea, box(0, 500, kMedium), kSmall,
         box(0, 500, kSmall)},
        {"centred: grows to the right", kArea, box(875, 500, kSmall), kMedium, box(875, 500, kMedium)},
        {"a taller size near the bottom grows upward",
         kArea,
         box(40, 900, kSmall),
         {170, 300},
         box(40, 770, QSize(170, 300))},
        // Places off the area (a screen since gone, a panel added) come back inside it.
        {"past the right edge", kArea, box(1850, 300, kSmall), kMedium, box(1556, 300, kMedium)},
        {"under the top panel", kArea, box(300, 0, kSmall), kMedium, box(300, 32, kMedium)},
        {"left of the screen", kArea, box(-500, 300, kSmall), kSmall, box(0, 300, kSmall)},
        {"below the screen", kArea, box(300, 2000, kSmall), kSmall, box(300, 910, kSmall)},
        // A second screen to the right of the first one.
        {"on a second screen", QRect(1920, 0, 1280, 1024), box(3100, 40, kSmall), kMedium,
         box(2836, 40, kMedium)},
        // An area smaller than the widget: its top-left corner stays visible.
        {"area smaller than the widget", QRect(0, 0, 300, 150), box(10, 10, kSmall), kMedium,
         box(0, 0, kMedium)},
        // No screen known: nothing to measure against, the corner stays.
        {"no area", QRect(), box(1800, 200, kSmall), kMedium, box(1800, 200, kMedium)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QRect placed = widgetPlacement(c.area, c.old, c.size);
        EXPECT_EQ(placed, c.expected);
        EXPECT_EQ(placed.size(), c.size);
        if (!c.area.isEmpty() && c.area.width() >= c.size.width() && c.area.height() >= c.size.height()) {
            EXPECT_TRUE(c.area.contains(placed)) << "outside the available area";
        }
    }
}
