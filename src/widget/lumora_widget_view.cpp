#include "lumora_widget_view.h"

#include "model/dashboard_model.h"
#include "model/style_table.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

const QColor kRed = StyleTable::kCrimson.to<QColor>();
const QColor kDarkRed = QColor::fromRgbF(0.6f, 0.2f, 0.2f);
const QColor kGrey = QColor::fromRgbF(0.42f, 0.42f, 0.42f);
const QColor kGradientEnd = StyleTable::kBlush.to<QColor>();
// Default spacing between the two words of the brand label.
constexpr double kHeaderSpacing = 8;
// Schedule rows: their tallest band, the gap between bands, the text's inset in a band and the band's
// corners.
constexpr double kRowHeight = 22;
constexpr double kRowGap = 2;
constexpr double kRowInset = 8;
constexpr double kRowRadius = 7;
constexpr int kRowLabelSize = 12;
constexpr int kRowTimeSize = 13;
// The hairline between the columns stops short of the rounded card's top and bottom.
constexpr double kDividerInset = 20;

QFont rounded(int pixelSize, QFont::Weight weight) {
    QFont f(QLatin1String(StyleTable::kRoundedFamily));
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QFont mono(int pixelSize, QFont::Weight weight) {
    QFont f(QLatin1String(StyleTable::kMonoFamily));
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    return f;
}

QFont scaled(QFont f, int baseSize, double scale) {
    f.setPixelSize(std::max(1, static_cast<int>(std::floor(baseSize * scale))));
    return f;
}

// One line that shrinks toward `minScale` of its size to fit `width`, and is elided past that.
WidgetLayout::Line singleLine(const QString& text, const QFont& base, int baseSize, double minScale,
                              double width, double y) {
    QFont font = base;
    const double advance = QFontMetricsF(font).horizontalAdvance(text);
    if (advance > width) font = scaled(base, baseSize, std::max(minScale, width / advance));
    const QFontMetricsF fm(font);
    QString shown = text;
    if (fm.horizontalAdvance(text) > width) shown = fm.elidedText(text, Qt::ElideRight, width);
    // Rows keep the height of the unshrunk font, as a shrunk line keeps its slot in the stack.
    const double height = QFontMetricsF(base).height();
    return {QRectF(0, y, width, height), font, shown};
}

int wrappedLineCount(const QFontMetricsF& fm, const QString& text, double width) {
    const QRectF r = fm.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text);
    return std::max(1, static_cast<int>(std::lround(r.height() / fm.lineSpacing())));
}

// The medium family's second column: the listed day's rows, centred in the padded height, or why there are
// none. The countdown stack keeps the first column exactly as the small family draws it.
void layoutSchedule(WidgetLayout& l, const WidgetViewModel& model, const QSizeF& size) {
    using LumoraWidgetView::kPadding;
    const double left = LumoraWidgetView::kCountdownColumnWidth + kPadding;
    const double width = size.width() - kPadding - left;
    const double height = size.height() - 2 * kPadding;
    l.divider =
        QRectF(LumoraWidgetView::kCountdownColumnWidth, kDividerInset, 0, size.height() - 2 * kDividerInset);

    if (model.schedule.isEmpty()) {
        WidgetLayout::Line empty =
            singleLine(DashboardTexts::kNoSchedule, rounded(11, QFont::Bold), 11, 0.7, width, 0);
        empty.rect.moveTo(left, kPadding + (height - empty.rect.height()) / 2);
        l.scheduleEmpty = empty;
        return;
    }

    const auto n = static_cast<double>(model.schedule.size());
    const double rowHeight = std::min(kRowHeight, (height - kRowGap * (n - 1)) / n);
    // A day with more slots than the column holds at full size gets smaller text as well as lower bands.
    const double textScale = std::min(1.0, rowHeight / kRowHeight);
    const QFont labelFont = scaled(rounded(kRowLabelSize, QFont::Black), kRowLabelSize, textScale);
    const QFont timeFont = scaled(mono(kRowTimeSize, QFont::Bold), kRowTimeSize, textScale);
    double y = kPadding + (height - (n * rowHeight + (n - 1) * kRowGap)) / 2;
    for (const WidgetScheduleRow& row : model.schedule) {
        WidgetLayout::Row r;
        r.rect = QRectF(left, y, width, rowHeight);
        r.highlight = row.highlight;
        const double timeWidth = std::min(QFontMetricsF(timeFont).horizontalAdvance(row.time), width / 2);
        r.time = singleLine(row.time, timeFont, timeFont.pixelSize(), 0.7, timeWidth, 0);
        r.time.rect = QRectF(r.rect.right() - kRowInset - timeWidth, y, timeWidth, rowHeight);
        const double labelWidth = width - 3 * kRowInset - timeWidth;
        r.label = singleLine(row.label, labelFont, labelFont.pixelSize(), 0.7, labelWidth, 0);
        r.label.rect = QRectF(left + kRowInset, y, labelWidth, rowHeight);
        l.schedule.append(r);
        y += rowHeight + kRowGap;
    }
}

} // namespace

QSize widgetSize(WidgetFamily family) {
    return family == WidgetFamily::small ? QSize(170, 170) : QSize(364, 170);
}

QString familyName(WidgetFamily family) {
    return family == WidgetFamily::small ? QStringLiteral("small") : QStringLiteral("medium");
}

std::optional<WidgetFamily> widgetFamilyFromName(const QString& name) {
    if (name == u"small") return WidgetFamily::small;
    if (name == u"medium") return WidgetFamily::medium;
    return std::nullopt;
}

namespace LumoraWidgetView {

WidgetLayout layout(const WidgetViewModel& model, WidgetFamily family) {
    const QSizeF size = widgetSize(family);
    const double width = kCountdownColumnWidth - 2 * kPadding;

    const QFont brandFont = rounded(16, QFont::DemiBold);
    const QFont accentFont = rounded(16, QFont::Black);
    const QFont cityFont = rounded(11, QFont::Black);
    const QFont titleFont = rounded(20, QFont::Black);
    const QFont timeFont = mono(26, QFont::ExtraBold);
    const QFont statusFont = mono(11, QFont::Bold);

    WidgetLayout l;
    double y = 0;
    const double headerHeight =
        std::max(QFontMetricsF(brandFont).height(), QFontMetricsF(accentFont).height());
    const double brandWidth = QFontMetricsF(brandFont).horizontalAdvance(QStringLiteral("vesk"));
    l.brand = {QRectF(0, y, brandWidth, headerHeight), brandFont, QStringLiteral("vesk")};
    l.accent = {QRectF(brandWidth + kHeaderSpacing, y,
                       QFontMetricsF(accentFont).horizontalAdvance(QStringLiteral("ADZAN")), headerHeight),
                accentFont, QStringLiteral("ADZAN")};
    y += headerHeight + kSpacing;
    l.city = singleLine(model.cityName, cityFont, 11, 0.6, width, y);
    y += l.city.rect.height() + kSpacing;
    l.title = singleLine(model.title, titleFont, 20, 0.7, width, y);
    y += l.title.rect.height() + kSpacing;
    l.time = singleLine(model.timeText, timeFont, 26, 0.7, width, y);
    y += l.time.rect.height() + kSpacing;

    // The status line wraps to two lines before it shrinks, down to 0.65 of its size.
    QFont statusShown = statusFont;
    for (double s = 1.0; s >= 0.65 - 1e-9; s -= 0.05) {
        statusShown = scaled(statusFont, 11, s);
        if (wrappedLineCount(QFontMetricsF(statusShown), model.statusText, width) <= 2) break;
    }
    const QFontMetricsF sfm(statusShown);
    const int lines = std::min(2, wrappedLineCount(sfm, model.statusText, width));
    const double statusHeight = sfm.lineSpacing() * (lines - 1) + sfm.height();
    l.status = {QRectF(0, y, width, statusHeight), statusShown, model.statusText};
    y += statusHeight;

    // The stack sits centred in the padded area, aligned to the leading edge.
    const double top = kPadding + std::max(0.0, (size.height() - 2 * kPadding - y) / 2);
    for (WidgetLayout::Line* line : {&l.brand, &l.accent, &l.city, &l.title, &l.time, &l.status})
        line->rect.translate(kPadding, top);
    if (family == WidgetFamily::medium) layoutSchedule(l, model, size);
    return l;
}

void paint(QPainter& p, const WidgetViewModel& model, WidgetFamily family) {
    const QRectF bounds(QPointF(0, 0), QSizeF(widgetSize(family)));
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QPainterPath shape;
    shape.addRoundedRect(bounds, kCornerRadius, kCornerRadius);
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, kGradientEnd);
    p.fillPath(shape, gradient);
    // A hairline keeps the white card apart from a light desktop.
    p.setPen(QPen(QColor(0, 0, 0, 20), 1));
    p.drawPath(QPainterPath(shape).translated(0, 0));
    p.setClipPath(shape);

    const WidgetLayout l = layout(model, family);
    const auto draw = [&p](const WidgetLayout::Line& line, const QColor& colour, int flags) {
        p.setFont(line.font);
        p.setPen(colour);
        p.drawText(line.rect, flags, line.text);
    };
    const int oneLine = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    draw(l.brand, kGrey, oneLine);
    draw(l.accent, kRed, oneLine);
    draw(l.city, kDarkRed, oneLine);
    draw(l.title, kRed, oneLine);
    draw(l.time, Qt::black, oneLine);
    if (model.statusOpacity > 0) {
        p.setOpacity(model.statusOpacity);
        draw(l.status, kRed, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
        p.setOpacity(1);
    }

    if (l.divider.height() > 0) {
        p.setPen(QPen(QColor(kDarkRed.red(), kDarkRed.green(), kDarkRed.blue(), 40), 1));
        p.drawLine(l.divider.topLeft(), l.divider.bottomLeft());
    }
    if (l.scheduleEmpty) draw(*l.scheduleEmpty, kGrey, oneLine);
    for (const WidgetLayout::Row& row : l.schedule) {
        // The featured prayer's band is the title's red, with its name and time in white on it.
        if (row.highlight) {
            QPainterPath band;
            band.addRoundedRect(row.rect, kRowRadius, kRowRadius);
            p.fillPath(band, kRed);
        }
        draw(row.label, row.highlight ? QColor(Qt::white) : kDarkRed, oneLine);
        draw(row.time, row.highlight ? QColor(Qt::white) : QColor(Qt::black),
             Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine);
    }
    p.restore();
}

QImage render(const WidgetViewModel& model, WidgetFamily family, double scale) {
    const QSize size = widgetSize(family);
    QImage image(QSize(std::lround(size.width() * scale), std::lround(size.height() * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paint(p, model, family);
    p.end();
    return image;
}

} // namespace LumoraWidgetView

} // namespace lumora
