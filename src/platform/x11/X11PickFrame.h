#pragma once

#include <QRect>

#include <xcb/xcb.h>

#include <array>

namespace vistrel::x11 {

// The picking highlight: four thin override-redirect windows forming a
// 5-pixel frame just outside a rectangle, pulled inside at the screen edges.
// Real windows show with or without a compositor and are simply unmapped to hide.
class X11PickFrame {
public:
    static constexpr int Thickness = 5;

    X11PickFrame(xcb_connection_t* connection, xcb_screen_t* screen);
    ~X11PickFrame();
    X11PickFrame(const X11PickFrame&) = delete;
    X11PickFrame& operator=(const X11PickFrame&) = delete;

    void show(const QRect& rect);
    // Returns once the server has unmapped the frame.
    void hide();
    bool owns(xcb_window_t window) const;

    // The four bars (top, bottom, left, right) for a rectangle on a screen.
    static std::array<QRect, 4> bars(const QRect& rect, const QRect& screen);

private:
    xcb_connection_t* m_connection;
    std::array<xcb_window_t, 4> m_windows{};
    QRect m_screen;
    bool m_shown = false;
};

} // namespace vistrel::x11
