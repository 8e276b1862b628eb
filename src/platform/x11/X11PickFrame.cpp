#include "platform/x11/X11PickFrame.h"

#include "platform/x11/X11Reply.h"

#include <algorithm>

namespace vistrel::x11 {

X11PickFrame::X11PickFrame(xcb_connection_t* connection, xcb_screen_t* screen)
    : m_connection(connection), m_screen(0, 0, screen->width_in_pixels, screen->height_in_pixels)
{
    // Red on a true-colour screen; white where pixel values are not colours.
    const uint32_t colour = screen->root_depth >= 24 ? 0xff0000u : screen->white_pixel;
    const uint32_t values[] = {colour, 1u};
    for (xcb_window_t& window : m_windows) {
        window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    }
    xcb_flush(m_connection);
}

X11PickFrame::~X11PickFrame()
{
    for (xcb_window_t window : m_windows)
        xcb_destroy_window(m_connection, window);
    xcb_flush(m_connection);
}

std::array<QRect, 4> X11PickFrame::bars(const QRect& rect, const QRect& screen)
{
    // Outside the rectangle, so that a grab of the rectangle never holds frame pixels
    // even before the windows below have repainted; clamped to stay visible.
    QRect outer = rect.adjusted(-Thickness, -Thickness, Thickness, Thickness);
    outer.setLeft(std::max(outer.left(), screen.left()));
    outer.setTop(std::max(outer.top(), screen.top()));
    outer.setRight(std::min(outer.right(), screen.right()));
    outer.setBottom(std::min(outer.bottom(), screen.bottom()));
    const int width = std::max(outer.width(), 1);
    const int height = std::max(outer.height(), 1);
    const int side = std::max(height - 2 * Thickness, 1);
    return {QRect(outer.left(), outer.top(), width, Thickness),
            QRect(outer.left(), outer.top() + height - Thickness, width, Thickness),
            QRect(outer.left(), outer.top() + Thickness, Thickness, side),
            QRect(outer.left() + width - Thickness, outer.top() + Thickness, Thickness, side)};
}

void X11PickFrame::show(const QRect& rect)
{
    const auto pieces = bars(rect, m_screen);
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        const uint32_t geometry[] = {uint32_t(pieces[i].x()), uint32_t(pieces[i].y()),
                                     uint32_t(pieces[i].width()), uint32_t(pieces[i].height()),
                                     XCB_STACK_MODE_ABOVE};
        xcb_configure_window(m_connection, m_windows[i],
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_STACK_MODE,
                             geometry);
        xcb_map_window(m_connection, m_windows[i]);
    }
    m_shown = true;
    xcb_flush(m_connection);
}

void X11PickFrame::hide()
{
    if (!m_shown)
        return;
    for (xcb_window_t window : m_windows)
        xcb_unmap_window(m_connection, window);
    m_shown = false;
    // A round trip: every later request, on any connection, sees the frame gone.
    Reply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

bool X11PickFrame::owns(xcb_window_t window) const
{
    return std::find(m_windows.begin(), m_windows.end(), window) != m_windows.end();
}

} // namespace vistrel::x11
