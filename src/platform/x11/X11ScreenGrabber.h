#pragma once

#include <QImage>
#include <QRect>

#include <xcb/xcb.h>

#include <cstddef>

namespace vistrel::x11 {

// Copies root-window pixels into QImages: through one MIT-SHM segment that is
// kept and grown between grabs, or with plain GetImage where SHM fails.
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
    bool grabShm(const QRect& area, QImage& image, QPoint at);
    bool grabPlain(const QRect& area, QImage& image, QPoint at);
    bool ensureSegment(std::size_t bytes);
    void releaseSegment();

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    QRect m_rootRect;
    bool m_msbFirst = false;
    bool m_shmUsable = false;
    uint32_t m_segment = 0;
    int m_shmId = -1;
    unsigned char* m_shmData = nullptr;
    std::size_t m_shmSize = 0;
};

} // namespace vistrel::x11
