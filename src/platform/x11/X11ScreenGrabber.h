#pragma once

#include <QImage>
#include <QRect>

#include <xcb/xcb.h>

#include <memory>

namespace vistrel::x11 {

class X11ShmPool;

// Copies root-window pixels into QImages: straight into MIT-SHM segments that
// the images then own (reused between grabs), or with plain GetImage where SHM fails.
class X11ScreenGrabber {
public:
    X11ScreenGrabber(xcb_connection_t* connection, xcb_window_t root);
    ~X11ScreenGrabber();
    X11ScreenGrabber(const X11ScreenGrabber&) = delete;
    X11ScreenGrabber& operator=(const X11ScreenGrabber&) = delete;

    // Format_RGB32 with the unused byte 0xff; parts outside the root stay black.
    // An empty rectangle gives a null image.
    QImage grab(const QRect& rect);
    bool usingShm() const { return m_shmUsable; }

private:
    void checkPixelFormat() const;
    QImage grabArea(const QRect& area);
    QImage grabShm(const QRect& area);
    QImage grabPlain(const QRect& area);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    bool m_msbFirst = false;
    bool m_shmUsable = false;
    std::shared_ptr<X11ShmPool> m_pool;
};

} // namespace vistrel::x11
