#include "dashboard_style.h"

#include "model/style_table.h"

#include <QFontMetricsF>

#include <algorithm>

namespace lumora {

namespace {

QColor rgb(double r, double g, double b, double a = 1.0) {
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

QFont makeFont(const QStringList& families, int pixelSize, QFont::Weight weight) {
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    // Outlines scale smoothly with the canvas; hinting would make widths jump between scales.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// The rounded face has no Black weight: Bold stands in for it.
QFont rounded(int px) {
    return makeFont({QLatin1String(StyleTable::kRoundedFamily), QStringLiteral("DejaVu Sans")}, px,
                    QFont::Bold);
}
QFont mono(int px, QFont::Weight w) {
    return makeFont({QLatin1String(StyleTable::kMonoFamily), QStringLiteral("DejaVu Sans Mono")}, px, w);
}
QFont sans(int px, QFont::Weight w) {
    return makeFont({QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")}, px, w);
}

double sidebarWidth(double contentWidth) {
    return std::min(std::max(0.26 * contentWidth, 242.0), 306.0);
}

} // namespace

double dashboardScale(QSizeF contentSize) {
    return std::max(kMinimumWindowScale, std::min(contentSize.height() / kDesignCanvasSize.height(),
                                                  contentSize.width() / kDesignCanvasSize.width()));
}

namespace DashboardColors {
QColor crimson() {
    return StyleTable::kCrimson.to<QColor>();
}
QColor nightBlue() {
    return StyleTable::kNightBlue.to<QColor>();
}
QColor amber() {
    return rgb(1.0, 0.58, 0.0);
}
QColor blush() {
    return StyleTable::kBlush.to<QColor>();
}
QColor rowTint() {
    return rgb(1.0, 0.97, 0.97);
}
QColor dateGrey() {
    return rgb(0.35, 0.35, 0.35);
}
QColor cityGrey() {
    return rgb(0.46, 0.46, 0.46);
}
QColor primaryText() {
    return rgb(0, 0, 0, 0.85);
}
QColor secondaryText() {
    return rgb(0, 0, 0, 0.5);
}
QColor windowBackground() {
    return rgb(1.0, 0.985, 0.988);
}
QColor accent(DashboardAccent a) {
    return a == DashboardAccent::nightBlue ? nightBlue() : crimson();
}
} // namespace DashboardColors

const DashboardFonts& dashboardFonts() {
    static const DashboardFonts f{
        .brand = rounded(26),
        .city = rounded(17),
        .title = rounded(80),
        .date = sans(18, QFont::DemiBold),
        .digits = mono(128, QFont::ExtraBold),
        .countdown = mono(28, QFont::Bold),
        .scheduleTitle = rounded(22),
        .rowLabel = sans(18, QFont::Normal),
        .rowLabelBold = sans(18, QFont::Bold),
        .rowTime = mono(18, QFont::Normal),
        .rowTimeBold = mono(18, QFont::Bold),
        .empty = sans(15, QFont::Normal),
        .status = sans(12, QFont::Medium),
    };
    return f;
}

bool isRoundedFont(const QFont& font) {
    return font.families().value(0) == QLatin1String(StyleTable::kRoundedFamily);
}

DashboardLayout dashboardLayout() {
    using L = DashboardLayout;
    const DashboardFonts& ft = dashboardFonts();
    DashboardLayout l;
    const double w = kDesignCanvasSize.width() - L::kInsetLeft - L::kInsetRight;
    const double h = kDesignCanvasSize.height() - L::kInsetTop - L::kInsetBottom;
    const double side = sidebarWidth(w);
    l.hero = QRectF(L::kInsetLeft, L::kInsetTop, w - side - L::kRowSpacing, h);
    l.schedule = QRectF(l.hero.right() + L::kRowSpacing, L::kInsetTop, side, h);
    l.heroInner = l.hero.adjusted(L::kHeroPadding, L::kHeroPadding, -L::kHeroPadding, -L::kHeroPadding);
    // Brand and city share their first baseline; the button sits 4 points under the city.
    const QFontMetricsF brandFm(ft.brand), cityFm(ft.city);
    l.baseline = l.heroInner.top() + std::max(brandFm.ascent(), cityFm.ascent());
    l.cityTop = l.baseline - cityFm.ascent();
    l.button = QRectF(l.heroInner.right() - L::kButtonSize, l.cityTop + cityFm.height() + 4, L::kButtonSize,
                      L::kButtonSize);
    // Then title, date, the big time, the countdown and the loading bar, each under the one before.
    const double headerBottom = std::max(l.baseline + brandFm.descent(), l.button.bottom());
    l.titleTop = headerBottom + L::kHeroSpacing - 2;
    l.dateTop = l.titleTop + QFontMetricsF(ft.title).height() + L::kHeroSpacing - 4;
    l.digitsTop = l.dateTop + QFontMetricsF(ft.date).height() + L::kHeroSpacing - 8;
    l.countdownTop = l.digitsTop + QFontMetricsF(ft.digits).height() + L::kHeroSpacing - 4;
    l.progressTop = l.countdownTop + QFontMetricsF(ft.countdown).height() + L::kHeroSpacing;
    return l;
}

} // namespace lumora
