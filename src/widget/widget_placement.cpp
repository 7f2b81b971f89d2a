#include "widget_placement.h"

namespace lumora {

QRect widgetPlacement(const QRect& available, const QRect& old, const QSize& size) {
    QRect placed(old.topLeft(), size);
    if (available.isEmpty()) return placed;
    // QRect's right() and bottom() are the last pixel inside, so both rooms are counted alike.
    if (available.right() - old.right() < old.left() - available.left()) placed.moveRight(old.right());
    if (available.bottom() - old.bottom() < old.top() - available.top()) placed.moveBottom(old.bottom());

    if (placed.right() > available.right()) placed.moveRight(available.right());
    if (placed.bottom() > available.bottom()) placed.moveBottom(available.bottom());
    if (placed.left() < available.left()) placed.moveLeft(available.left());
    if (placed.top() < available.top()) placed.moveTop(available.top());
    return placed;
}

} // namespace lumora
