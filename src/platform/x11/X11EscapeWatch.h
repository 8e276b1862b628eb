#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <vector>

namespace vistrel::x11 {

// Watches for Escape on a private connection while another program's window is
// being scrolled: the key is grabbed on the root, so it does not also reach the
// scrolled program (which might close on it). Where another client holds that
// grab, the key state is polled instead.
class X11EscapeWatch {
public:
    static std::unique_ptr<X11EscapeWatch> start(const char* displayName);
    ~X11EscapeWatch();
    X11EscapeWatch(const X11EscapeWatch&) = delete;
    X11EscapeWatch& operator=(const X11EscapeWatch&) = delete;

    // True once Escape has gone down since the watch began.
    bool pressed();

private:
    explicit X11EscapeWatch(xcb_connection_t* connection);
    bool isEscape(xcb_keycode_t code) const;
    bool heldNow();

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::vector<xcb_keycode_t> m_codes;
    bool m_grabbed = false;
    bool m_pressed = false;
};

} // namespace vistrel::x11
