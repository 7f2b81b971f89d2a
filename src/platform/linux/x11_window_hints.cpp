#include "x11_window_hints.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lumora::X11WindowHints {

namespace {

xcb_connection_t* connection() {
    if (!isX11()) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t a = reply->atom;
    std::free(reply);
    return a;
}

xcb_window_t rootOf(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

void sendToRoot(xcb_connection_t* c, xcb_window_t window, xcb_atom_t type, std::array<uint32_t, 5> data) {
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = type;
    for (int i = 0; i < 5; ++i)
        ev.data.data32[i] = data[i];
    xcb_send_event(c, 0, rootOf(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
}

} // namespace

bool isX11() {
    return QGuiApplication::platformName() == u"xcb";
}

void apply(QWindow* window, bool mapped) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const auto w = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t netWmState = atom(c, "_NET_WM_STATE");
    const xcb_atom_t netWmDesktop = atom(c, "_NET_WM_DESKTOP");
    const std::array<xcb_atom_t, 3> states = {atom(c, "_NET_WM_STATE_STICKY"),
                                              atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                                              atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    const uint32_t allDesktops = 0xFFFFFFFF;
    if (!mapped) {
        // Qt merges its own states (below) into what it finds here when it maps the window.
        xcb_change_property(c, XCB_PROP_MODE_APPEND, w, netWmState, XCB_ATOM_ATOM, 32, states.size(),
                            states.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netWmDesktop, XCB_ATOM_CARDINAL, 32, 1,
                            &allDesktops);
    } else {
        constexpr uint32_t kAdd = 1, kApplication = 1;
        for (xcb_atom_t s : states)
            sendToRoot(c, w, netWmState, {kAdd, s, 0, kApplication, 0});
        sendToRoot(c, w, netWmDesktop, {allDesktops, kApplication, 0, 0, 0});
    }
    xcb_flush(c);
}

bool hasCompositor() {
    xcb_connection_t* c = connection();
    if (!c) return false;
    // Screen 0, as for the root window above: one screen per display is what desktops run today.
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(c, "_NET_WM_CM_S0")), nullptr);
    if (!reply) return false;
    const bool owned = reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

void setSizeHints(QWindow* window, QSize minimum, QSizeF aspect, double slack) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    xcb_size_hints_t hints{};
    const xcb_get_property_cookie_t cookie = xcb_icccm_get_wm_normal_hints(c, id);
    if (!xcb_icccm_get_wm_normal_hints_reply(c, cookie, &hints, nullptr)) hints = xcb_size_hints_t{};
    xcb_icccm_size_hints_set_min_size(&hints, minimum.width(), minimum.height());
    const double w = aspect.width() * 1000, h = aspect.height() * 1000;
    const auto den = int32_t(std::lround(h));
    xcb_icccm_size_hints_set_aspect(&hints, int32_t(std::lround(w * (1 - slack))), den,
                                    int32_t(std::lround(w * (1 + slack))), den);
    xcb_icccm_set_wm_normal_hints(c, id, &hints);
    xcb_flush(c);
}

} // namespace lumora::X11WindowHints
