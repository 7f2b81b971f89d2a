#pragma once

#include <QRect>
#include <QSize>

namespace lumora {

/// Where the widget goes when it takes `size`: it keeps the edge nearer the screen's edge on each axis (so it
/// grows toward the side with more room) and is then moved inside `available`, the screen's area free of
/// panels. A widget larger than the area keeps its top-left corner inside it; without an area (no screen) it keeps its top-left corner.
QRect widgetPlacement(const QRect& available, const QRect& old, const QSize& size);

} // namespace lumora
