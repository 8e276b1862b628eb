// The scrolling operations of X11Platform: marker pixels, the wheel, repaint, Escape.
#include "platform/x11/X11EscapeWatch.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11WindowTree.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <xcb/xtest.h>

#include <cstring>
#include <stdexcept>

namespace vistrel {

using x11::Reply;

void X11Platform::setScreenPixel(QPoint screenPos, QRgb colour)
{
    // Drawn on the root through its children, as a program paints on the screen.
    const xcb_gcontext_t gc = xcb_generate_id(m_connection);
    const uint32_t values[] = {colour & 0xffffff, XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS};
    xcb_create_gc(m_connection, gc, m_root, XCB_GC_FOREGROUND | XCB_GC_SUBWINDOW_MODE, values);
    const xcb_point_t point{int16_t(screenPos.x()), int16_t(screenPos.y())};
    xcb_poly_point(m_connection, XCB_COORD_MODE_ORIGIN, m_root, gc, 1, &point);
    xcb_free_gc(m_connection, gc);
}

QRgb X11Platform::screenPixel(QPoint screenPos)
{
    auto image = Reply<xcb_get_image_reply_t>(xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(screenPos.x()),
                      int16_t(screenPos.y()), 1, 1, ~0u),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < 4)
        return 0xff000000;
    // A depth-24 screen, 32 bits per pixel, in the server's byte order.
    const uint8_t* data = xcb_get_image_data(image.get());
    const bool msbFirst =
        xcb_get_setup(m_connection)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    const uint32_t value =
        msbFirst
            ? (uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3])
            : (uint32_t(data[3]) << 24 | uint32_t(data[2]) << 16 | uint32_t(data[1]) << 8 |
               data[0]);
    return 0xff000000 | (value & 0xffffff);
}

void X11Platform::sendWheelDown()
{
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
    if (xtest == nullptr || xtest->present == 0)
        throw std::runtime_error("X サーバーに XTEST 拡張機能がないため、ウィンドウを"
                                 "スクロールできません。");
    // Button 5 is one notch downwards; a press and a release, as a real wheel sends.
    xcb_test_fake_input(m_connection, XCB_BUTTON_PRESS, 5, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(m_connection, XCB_BUTTON_RELEASE, 5, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    // Wait until the server has handled both (XSync).
    Reply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

void X11Platform::repaintWindow(WindowId window)
{
    if (window == 0)
        return;
    // Markers may lie on child windows too, which a clear of the parent leaves alone.
    std::vector<xcb_window_t> pending{xcb_window_t(window)};
    while (!pending.empty()) {
        const xcb_window_t current = pending.back();
        pending.pop_back();
        // Checked, so that a window that vanished meanwhile does not reach Qt's error log.
        x11::succeeded(m_connection, xcb_clear_area_checked(m_connection, 1, current, 0, 0, 0, 0));
        const std::vector<xcb_window_t> children = m_tree->children(current);
        pending.insert(pending.end(), children.begin(), children.end());
    }
}

void X11Platform::watchEscape(bool on)
{
    m_escape.reset();
    if (!on)
        return;
    m_escape = x11::X11EscapeWatch::start(displayName());
}

bool X11Platform::escapePressed()
{
    return m_escape && m_escape->pressed();
}

} // namespace vistrel
