#pragma once

class QWindow;

namespace lumora::X11DesktopHints {

/// True when the application runs on X11 (the xcb platform).
bool isX11();
/// Puts the window on every workspace and out of the taskbar and pager (_NET_WM_STATE_STICKY,
/// _SKIP_TASKBAR, _SKIP_PAGER, _NET_WM_DESKTOP all). Call once the native window exists, before and again
/// after it is shown: the property counts before mapping, the client messages afterwards. No-op off X11.
void apply(QWindow* window, bool mapped);
/// True when a compositing manager runs, so translucent corners blend; false off X11.
bool hasCompositor();

} // namespace lumora::X11DesktopHints
