#include "shell/tray_icon_factory.h"
#include "shell/tray_color.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

const QColor crimson = QColor::fromRgbF(0.82f, 0.12f, 0.24f);

// The pixel under a point of the 18-point drawing (origin lower left) at `scale` pixels per point.
QColor at(const QImage& image, double x, double y, int scale) {
    return image.pixelColor(int(x * scale), int((18 - y) * scale));
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2 && std::abs(a.alpha() - b.alpha()) <= 2;
}

TEST(TrayIconFactory, DrawsCrimsonDomeAndMinaretsOnClearCornersAtOneAndTwoTimes) {
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        const QImage icon = TrayIconFactory::mosqueDome(18 * scale);
        ASSERT_EQ(icon.size(), QSize(18 * scale, 18 * scale));
        const struct {
            const char* what;
            double x, y;
        } crimsonPoints[] = {
            {"dome", 9.0, 9.0},
            {"base", 9.0, 4.0},
            {"left minaret", 3.4, 8.0},
            {"right minaret", 14.6, 8.0},
        };
        for (const auto& p : crimsonPoints)
            EXPECT_TRUE(near(at(icon, p.x, p.y, scale), crimson)) << p.what;
        const struct {
            const char* what;
            double x, y;
        } clearPoints[] = {
            {"lower left", 0.2, 0.2},
            {"upper left", 0.2, 17.8},
            {"lower right", 17.8, 0.2},
            {"upper right", 17.8, 17.8},
            {"between minaret and dome", 5.0, 11.5},
        };
        for (const auto& p : clearPoints)
            EXPECT_EQ(at(icon, p.x, p.y, scale).alpha(), 0) << p.what;
        // Upright: the caps are at the top, so the minaret tips are above their feet.
        EXPECT_GT(at(icon, 3.45, 13.5, scale).alpha(), 0);
        EXPECT_EQ(at(icon, 3.45, 1.0, scale).alpha(), 0);
    }
}

TEST(TrayIconFactory, BadgeShowsTheTitleColourInTheLowerRightCorner) {
    const struct {
        TrayColor color;
        std::optional<QColor> badge;
    } cases[] = {
        {TrayColor::label, std::nullopt},
        {TrayColor::orange, QColor::fromRgbF(1.0f, 0.584f, 0.0f)},
        {TrayColor::red, QColor::fromRgbF(1.0f, 0.231f, 0.188f)},
        {TrayColor::clear, QColor::fromRgbF(1.0f, 0.231f, 0.188f)},
        {TrayColor::darkBlue, QColor::fromRgbF(0.05f, 0.18f, 0.45f)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.color));
        ASSERT_EQ(trayBadgeColor(c.color).has_value(), c.badge.has_value());
        for (int scale : {1, 2}) {
            const QImage icon = TrayIconFactory::mosqueDome(18 * scale, trayBadgeColor(c.color));
            const QColor corner = at(icon, 15.0, 3.0, scale);
            if (c.badge)
                EXPECT_TRUE(near(corner, *c.badge)) << corner.name(QColor::HexArgb).toStdString();
            else
                EXPECT_EQ(icon, TrayIconFactory::mosqueDome(18 * scale));
            EXPECT_TRUE(near(at(icon, 9.0, 9.0, scale), crimson)) << "the dome stays visible";
        }
    }
}

TEST(TrayColor, TokensByName) {
    EXPECT_EQ(trayColorFromToken("label"), TrayColor::label);
    EXPECT_EQ(trayColorFromToken("orange"), TrayColor::orange);
    EXPECT_EQ(trayColorFromToken("red"), TrayColor::red);
    EXPECT_EQ(trayColorFromToken("clear"), TrayColor::clear);
    EXPECT_EQ(trayColorFromToken("darkBlue"), TrayColor::darkBlue);
    EXPECT_EQ(trayColorFromToken("purple"), TrayColor::label);
}

} // namespace
} // namespace lumora
