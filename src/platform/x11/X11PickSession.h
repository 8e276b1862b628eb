#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11PickFrame.h"
#include "platform/x11/X11Reply.h"

#include <xcb/xcb.h>

#include <memory>
#include <vector>

namespace vistrel::x11 {

// One interactive pick on a private connection. Qt reads its own connection on
// another thread, so waiting for the grabbed events there would race with Qt.
class X11PickSession {
public:
    // Connects and grabs pointer and keyboard; null when either grab is refused.
    static std::unique_ptr<X11PickSession> start(const char* displayName);
    ~X11PickSession();
    X11PickSession(const X11PickSession&) = delete;
    X11PickSession& operator=(const X11PickSession&) = delete;

    // Blocks until the pointer moves (queued moves folded into the last one),
    // or a confirm (left button, Space) or cancel (right button, Esc).
    PickEvent next();
    void showFrame(const QRect& rect);
    void hideFrame();
    bool ownsWindow(xcb_window_t window) const;

private:
    explicit X11PickSession(xcb_connection_t* connection);
    bool grab();
    void loadKeyCodes();
    Reply<xcb_generic_event_t> waitForEvent();
    PickEvent foldMotions(QPoint position);
    void swallowRelease();
    void noteRelease(const xcb_generic_event_t* event);

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen;
    std::unique_ptr<X11PickFrame> m_frame;
    std::vector<xcb_keycode_t> m_confirmKeys;
    std::vector<xcb_keycode_t> m_cancelKeys;
    Reply<xcb_generic_event_t> m_pending;
    // The button or key that ended the pick, while it is still down.
    uint8_t m_heldButton = 0;
    xcb_keycode_t m_heldKey = 0;
};

} // namespace vistrel::x11
