// The pointer operations of X11Platform: position, warp, shape, buttons.
#include "platform/x11/X11Platform.h"
#include "platform/x11/X11Reply.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace vistrel {

using x11::Reply;

QPoint X11Platform::cursorPos() const
{
    auto pointer = Reply<xcb_query_pointer_reply_t>(
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    return pointer ? QPoint(pointer->root_x, pointer->root_y) : QPoint();
}

void X11Platform::setCursorPos(QPoint screenPos)
{
    xcb_warp_pointer(m_connection, XCB_NONE, m_root, 0, 0, 0, 0, int16_t(screenPos.x()),
                     int16_t(screenPos.y()));
    xcb_flush(m_connection);
}

bool X11Platform::anyMouseButtonDown() const
{
    auto pointer = Reply<xcb_query_pointer_reply_t>(
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    return pointer &&
           (pointer->mask & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3)) != 0;
}

QImage X11Platform::currentCursorImage()
{
    if (!m_xfixesReady) {
        // XFixes answers only clients that have announced the version they speak.
        auto version = Reply<xcb_xfixes_query_version_reply_t>(xcb_xfixes_query_version_reply(
            m_connection, xcb_xfixes_query_version(m_connection, 4, 0), nullptr));
        if (!version)
            return {};
        m_xfixesReady = true;
    }
    auto cursor = Reply<xcb_xfixes_get_cursor_image_reply_t>(xcb_xfixes_get_cursor_image_reply(
        m_connection, xcb_xfixes_get_cursor_image(m_connection), nullptr));
    if (!cursor || cursor->width == 0 || cursor->height == 0)
        return {};
    const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(cursor.get());
    if (xcb_xfixes_get_cursor_image_cursor_image_length(cursor.get()) <
        int(cursor->width) * int(cursor->height))
        return {};
    QImage premultiplied(cursor->width, cursor->height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < premultiplied.height(); ++y)
        std::copy_n(pixels + std::size_t(y) * cursor->width, cursor->width,
                    reinterpret_cast<uint32_t*>(premultiplied.scanLine(y)));
    QImage image = premultiplied.convertToFormat(QImage::Format_ARGB32);
    // The hotspot travels with the picture, so that whoever draws it can put that pixel,
    // not the corner, on the pointer's position.
    image.setOffset(QPoint(cursor->xhot, cursor->yhot));
    return image;
}

} // namespace vistrel
