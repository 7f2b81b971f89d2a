#pragma once

#include "model/dashboard_model.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>

namespace lumora {

/// The canvas the dashboard is laid out on, and the smallest scale it is drawn at.
inline constexpr QSizeF kDesignCanvasSize{731, 500};
inline constexpr double kMinimumWindowScale = 0.3;

/// s = max(0.3, min(H / 500, W / 731)).
double dashboardScale(QSizeF contentSize);

namespace DashboardColors {
QColor crimson();
QColor nightBlue();
QColor amber();
QColor blush();
QColor rowTint();
QColor dateGrey();
QColor cityGrey();
QColor primaryText();
QColor secondaryText();
/// The window's own background, seen wherever the canvas does not reach.
QColor windowBackground();
QColor accent(DashboardAccent accent);
} // namespace DashboardColors

/// The dashboard's faces at their canvas sizes.
struct DashboardFonts {
    QFont brand;
    QFont city;
    QFont title;
    QFont date;
    QFont digits;
    QFont countdown;
    QFont scheduleTitle;
    QFont rowLabel;
    QFont rowLabelBold;
    QFont rowTime;
    QFont rowTimeBold;
    QFont empty;
    QFont status;
};
const DashboardFonts& dashboardFonts();
/// Whether `font` is the rounded face, whose Bold is thickened to stand in for the missing Black.
bool isRoundedFont(const QFont& font);

/// Where things sit on the canvas, in canvas points. The cards are fixed; the hero card's lines follow the
/// fonts, one under the other.
struct DashboardLayout {
    static constexpr double kInsetTop = 20, kInsetLeft = 20, kInsetBottom = 20, kInsetRight = 12;
    static constexpr double kRowSpacing = 16;
    static constexpr double kHeroPadding = 20, kHeroSpacing = 6, kHeroRadius = 32;
    static constexpr double kSchedulePadding = 22, kScheduleRadius = 28;
    static constexpr double kButtonSize = 30;

    QRectF hero;
    QRectF schedule;
    QRectF heroInner;
    QRectF button;
    /// The first baseline, shared by the brand and the city.
    double baseline = 0;
    double cityTop = 0;
    double titleTop = 0;
    double dateTop = 0;
    double digitsTop = 0;
    double countdownTop = 0;
    /// The loading bar's top.
    double progressTop = 0;
};
DashboardLayout dashboardLayout();

} // namespace lumora
