#pragma once

#include <QColor>
#include <QImage>

#include <optional>

class QPainter;

namespace lumora::TrayIconFactory {

/// Draws the crimson mosque into the square (0, 0, `size`, `size`) of `painter` (raster or vector).
void paintMosqueDome(QPainter& painter, qreal size);

/// The crimson mosque icon, drawn from its 18 x 18 point geometry at `pixelSize` x `pixelSize` pixels.
QImage mosqueDome(int pixelSize);

/// The icon with a small round badge of `badge` in its lower right corner; the plain icon without one.
QImage mosqueDome(int pixelSize, std::optional<QColor> badge);

} // namespace lumora::TrayIconFactory
