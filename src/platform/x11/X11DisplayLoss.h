#pragma once

#include <xcb/xcb.h>

#include <functional>

namespace vistrel::x11 {

// When the X server goes away, Qt ends the program at once with exit(1) and an English
// warning. While one of these lives, that exit first runs `lost` (on the thread that made the
// watch, the GUI thread) and the warning is told in Japanese.
class X11DisplayLoss {
public:
    X11DisplayLoss(xcb_connection_t* connection, std::function<void()> lost);
    ~X11DisplayLoss();
    X11DisplayLoss(const X11DisplayLoss&) = delete;
    X11DisplayLoss& operator=(const X11DisplayLoss&) = delete;

private:
    static void atExit();
    static void reportBrokenConnection();

    xcb_connection_t* m_connection;
    std::function<void()> m_lost;
};

} // namespace vistrel::x11
