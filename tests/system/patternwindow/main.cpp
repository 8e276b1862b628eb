// A window that paints a known pattern (see harness/Pattern.h) at a given
// place, for tests that capture the screen: patternwindow X Y WIDTH HEIGHT TITLE
#include "harness/Pattern.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// WM_NORMAL_HINTS as the ICCCM lays it out: flags, x, y, width, height, min
// size, max size, increments, aspects, base size, gravity.
void setNormalHints(xcb_connection_t* c, xcb_window_t window, int x, int y, int width, int height)
{
    enum : uint32_t {
        UserPosition = 1,
        UserSize = 2,
        MinSize = 16,
        MaxSize = 32,
        WinGravity = 512
    };
    uint32_t hints[18] = {};
    hints[0] = UserPosition | UserSize | MinSize | MaxSize | WinGravity;
    hints[1] = static_cast<uint32_t>(x);
    hints[2] = static_cast<uint32_t>(y);
    hints[3] = hints[5] = hints[7] = static_cast<uint32_t>(width);
    hints[4] = hints[6] = hints[8] = static_cast<uint32_t>(height);
    hints[17] = XCB_GRAVITY_STATIC;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

// The pattern goes into the window's background pixmap, so the server repaints
// it by itself after every exposure and the program needs no drawing loop.
xcb_pixmap_t patternPixmap(xcb_connection_t* c, xcb_screen_t* screen, int width, int height)
{
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // Rows in chunks that stay well below the request size limit.
    const int rowsPerChunk = std::max(1, 65536 / width);
    for (int top = 0; top < height; top += rowsPerChunk) {
        const int rows = std::min(rowsPerChunk, height - top);
        std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * rows);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y) * width + x] =
                    vistrel::test::patternColour(x, top + y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(rows), 0, static_cast<int16_t>(top), 0,
                      screen->root_depth, static_cast<uint32_t>(pixels.size() * 4),
                      reinterpret_cast<const uint8_t*>(pixels.data()));
    }
    xcb_free_gc(c, gc);
    return pixmap;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s X Y WIDTH HEIGHT TITLE\n", argv[0]);
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const int width = std::atoi(argv[3]);
    const int height = std::atoi(argv[4]);
    const std::string title = argv[5];
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
        std::fprintf(stderr, "patternwindow: bad size\n");
        return 2;
    }

    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "patternwindow: no X display\n");
        return 1;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&it);
    xcb_screen_t* screen = it.data;

    const xcb_pixmap_t background = patternPixmap(c, screen, width, height);
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {background};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, static_cast<int16_t>(x),
                      static_cast<int16_t>(y), static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXMAP, values);

    // A user-given position and a fixed size, so the window manager keeps both.
    // Static gravity puts the client area itself (not the frame) at x, y.
    setNormalHints(c, window, x, y, width, height);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(title.size()), title.c_str());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, internAtom(c, "_NET_WM_NAME"),
                        internAtom(c, "UTF8_STRING"), 8, static_cast<uint32_t>(title.size()),
                        title.c_str());
    const uint32_t pid = static_cast<uint32_t>(getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, internAtom(c, "_NET_WM_PID"),
                        XCB_ATOM_CARDINAL, 32, 1, &pid);
    xcb_map_window(c, window);
    xcb_flush(c);

    // Nothing to do but stay until the test ends us or the server goes away.
    while (xcb_generic_event_t* event = xcb_wait_for_event(c))
        std::free(event);
    xcb_disconnect(c);
    return 0;
}
