#pragma once

#include <QSize>
#include <QSizeF>

class QWindow;

/// What X11 window managers are told beyond what Qt says itself; every call is a no-op off X11.
namespace lumora::X11WindowHints {

/// True when the application runs on X11 (the xcb platform).
bool isX11();
/// Puts the window on every workspace and out of the taskbar and pager (_NET_WM_STATE_STICKY,
/// _SKIP_TASKBAR, _SKIP_PAGER, _NET_WM_DESKTOP all). Call once the native window exists, before and again
/// after it is shown: the property counts before mapping, the client messages afterwards. No-op off X11.
void apply(QWindow* window, bool mapped);
/// True when a compositing manager runs, so translucent corners blend; false off X11.
bool hasCompositor();
/// Adds `minimum` and an aspect ratio of `aspect` (give or take `slack`, a fraction) to the window's
/// WM_NORMAL_HINTS, keeping what Qt wrote there (position, gravity).
void setSizeHints(QWindow* window, QSize minimum, QSizeF aspect, double slack);

} // namespace lumora::X11WindowHints
