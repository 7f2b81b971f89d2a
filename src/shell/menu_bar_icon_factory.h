#pragma once

#include <QColor>
#include <QImage>

#include <optional>

namespace lumora::MenuBarIconFactory {

/// The crimson mosque icon, drawn from its 18 x 18 point geometry at `pixelSize` x `pixelSize` pixels.
QImage mosqueDome(int pixelSize);

/// The icon with a small round badge of `badge` in its lower right corner; the plain icon without one.
QImage mosqueDome(int pixelSize, std::optional<QColor> badge);

} // namespace lumora::MenuBarIconFactory
