#pragma once

#include "model/widget_presenter.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>

class QPainter;

namespace lumora {

/// The two sizes the widget comes in.
enum class WidgetFamily { small, medium };

/// 170 x 170 or 364 x 170, in device-independent pixels.
QSize widgetSize(WidgetFamily family);
/// "small" or "medium".
QString familyName(WidgetFamily family);
std::optional<WidgetFamily> widgetFamilyFromName(const QString& name);

/// Where each line of the widget goes and in which font, after shrinking what does not fit.
struct WidgetLayout {
    struct Line {
        QRectF rect;
        QFont font;
        QString text;
    };
    Line brand;  ///< "vesk"
    Line accent; ///< "ADZAN"
    Line city;
    Line title;
    Line time;
    Line status; ///< up to two lines, word-wrapped

    /// One schedule row of the medium family: its band (filled when highlighted), the name and the time.
    struct Row {
        QRectF rect;
        Line label;
        Line time;
        bool highlight = false;
    };
    /// The medium family's column beside the countdown; empty in the small family.
    QList<Row> schedule;
    /// "Jadwal belum tersedia." in that column when the snapshot holds no day; none otherwise.
    std::optional<Line> scheduleEmpty;
    /// The hairline between the countdown and the schedule; empty in the small family.
    QRectF divider;
};

/// Draws one entry's view model; holds no state.
namespace LumoraWidgetView {

inline constexpr double kPadding = 12;
inline constexpr double kSpacing = 6;
inline constexpr double kCornerRadius = 20;
/// The countdown stack's column: the whole small widget, the leading part of the medium one.
inline constexpr double kCountdownColumnWidth = 170;

WidgetLayout layout(const WidgetViewModel& model, WidgetFamily family);
/// Paints into the rectangle (0, 0, widgetSize(family)) of the painter's coordinates.
void paint(QPainter& painter, const WidgetViewModel& model, WidgetFamily family);
/// The view at `scale` device pixels per unit, transparent outside the rounded corners.
QImage render(const WidgetViewModel& model, WidgetFamily family, double scale = 1);

} // namespace LumoraWidgetView

} // namespace lumora
