#pragma once

// What a window manager and a user do to the app's window, done from the test over its own X connection:
// minimize it, close it from its title bar, press keys in it, and read back the state the window manager
// keeps for it.
#include <QByteArray>
#include <QDeadlineTimer>
#include <QThread>

#include <xcb/xcb.h>

#include <array>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumora::test {

class X11Client {
public:
    /// ICCCM's WM_STATE values.
    enum class WmState { withdrawn = 0, normal = 1, iconic = 3 };

    /// Connects to $DISPLAY.
    X11Client() : m_c(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(m_c)) return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~X11Client() { xcb_disconnect(m_c); }
    X11Client(const X11Client&) = delete;
    X11Client& operator=(const X11Client&) = delete;

    bool isConnected() const { return m_root != 0; }

    /// A window manager has taken over the screen (EWMH's check window is set).
    bool hasWindowManager() {
        return !cardinals(m_root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty();
    }

    /// The managed top-level window of process `pid`; 0 while there is none.
    xcb_window_t windowOf(qint64 pid) {
        for (uint32_t w : cardinals(m_root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW)) {
            const auto pids = cardinals(w, "_NET_WM_PID", XCB_ATOM_CARDINAL);
            if (!pids.empty() && pids.front() == static_cast<uint32_t>(pid)) return w;
        }
        return 0;
    }

    WmState wmState(xcb_window_t w) {
        const auto values = cardinals(w, "WM_STATE", atom("WM_STATE"));
        return values.empty() ? WmState::withdrawn : static_cast<WmState>(values.front());
    }

    xcb_window_t activeWindow() {
        const auto values = cardinals(m_root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
        return values.empty() ? 0 : values.front();
    }

    /// What a taskbar's minimize does (ICCCM 4.1.4).
    void iconify(xcb_window_t w) { sendToRoot(w, atom("WM_CHANGE_STATE"), {3, 0, 0, 0, 0}); }

    /// What a pager's click does: asks the window manager to focus `w`.
    void activate(xcb_window_t w) {
        sendToRoot(w, atom("_NET_ACTIVE_WINDOW"), {2, XCB_CURRENT_TIME, 0, 0, 0});
    }

    /// What the title bar's close button does: WM_DELETE_WINDOW through WM_PROTOCOLS.
    void requestClose(xcb_window_t w) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = w;
        ev.type = atom("WM_PROTOCOLS");
        ev.data.data32[0] = atom("WM_DELETE_WINDOW");
        ev.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_c, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
        xcb_flush(m_c);
    }

    /// Presses and releases the key that types `keysym` with `modifiers` held, as a synthetic event to `w`.
    bool pressKey(xcb_window_t w, uint32_t keysym, uint16_t modifiers) {
        const std::optional<xcb_keycode_t> code = keycodeOf(keysym);
        if (!code) return false;
        for (const uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
            xcb_key_press_event_t ev{};
            ev.response_type = type;
            ev.detail = *code;
            ev.time = XCB_CURRENT_TIME;
            ev.root = m_root;
            ev.event = w;
            ev.child = XCB_NONE;
            ev.state = modifiers;
            ev.same_screen = 1;
            xcb_send_event(m_c, 1, w,
                           type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                           reinterpret_cast<const char*>(&ev));
        }
        xcb_flush(m_c);
        return true;
    }

    static bool waitFor(const std::function<bool()>& done, int ms = 15'000) {
        const QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired())
            QThread::msleep(25);
        return done();
    }

private:
    xcb_atom_t atom(const char* name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(
                m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : XCB_ATOM_NONE;
    }

    std::vector<uint32_t> cardinals(xcb_window_t w, const char* property, xcb_atom_t type) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, w, atom(property), type, 0, 1024), nullptr),
            &std::free);
        if (!reply || reply->format != 32) return {};
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        return std::vector<uint32_t>(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }

    void sendToRoot(xcb_window_t w, xcb_atom_t type, std::array<uint32_t, 5> data) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = w;
        ev.type = type;
        for (size_t i = 0; i < data.size(); ++i)
            ev.data.data32[i] = data[i];
        xcb_send_event(m_c, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&ev));
        xcb_flush(m_c);
    }

    std::optional<xcb_keycode_t> keycodeOf(uint32_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(m_c);
        const uint8_t first = setup->min_keycode;
        const uint8_t count = setup->max_keycode - first + 1;
        std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> reply(
            xcb_get_keyboard_mapping_reply(m_c, xcb_get_keyboard_mapping(m_c, first, count), nullptr),
            &std::free);
        if (!reply) return std::nullopt;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        const int perCode = reply->keysyms_per_keycode;
        for (int i = 0; i < count; ++i)
            if (syms[i * perCode] == keysym) return static_cast<xcb_keycode_t>(first + i);
        return std::nullopt;
    }

    xcb_connection_t* m_c;
    xcb_window_t m_root = 0;
};

} // namespace lumora::test
