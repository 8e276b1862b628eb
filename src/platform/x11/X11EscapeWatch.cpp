#include "platform/x11/X11EscapeWatch.h"

#include "platform/x11/X11Reply.h"

#include <xcb/xcb_keysyms.h>

#include <algorithm>

namespace vistrel::x11 {

namespace {

constexpr xcb_keysym_t EscapeKey = 0xff1b;

} // namespace

X11EscapeWatch::X11EscapeWatch(xcb_connection_t* connection)
    : m_connection(connection)
    , m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root)
{}

std::unique_ptr<X11EscapeWatch> X11EscapeWatch::start(const char* displayName)
{
    xcb_connection_t* connection = xcb_connect(displayName, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<X11EscapeWatch> watch(new X11EscapeWatch(connection));
    if (xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection)) {
        Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, EscapeKey));
        for (const xcb_keycode_t* code = codes.get(); code && *code != XCB_NO_SYMBOL; ++code)
            watch->m_codes.push_back(*code);
        xcb_key_symbols_free(symbols);
    }
    watch->m_grabbed = !watch->m_codes.empty();
    for (xcb_keycode_t code : watch->m_codes) {
        watch->m_grabbed =
            succeeded(connection,
                      xcb_grab_key_checked(connection, 1, watch->m_root, XCB_MOD_MASK_ANY, code,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)) &&
            watch->m_grabbed;
    }
    return watch;
}

X11EscapeWatch::~X11EscapeWatch()
{
    // Closing the connection releases its grabs.
    xcb_disconnect(m_connection);
}

bool X11EscapeWatch::isEscape(xcb_keycode_t code) const
{
    return std::find(m_codes.begin(), m_codes.end(), code) != m_codes.end();
}

bool X11EscapeWatch::heldNow()
{
    auto keys = Reply<xcb_query_keymap_reply_t>(
        xcb_query_keymap_reply(m_connection, xcb_query_keymap(m_connection), nullptr));
    if (!keys)
        return false;
    return std::any_of(m_codes.begin(), m_codes.end(), [&keys](xcb_keycode_t code) {
        return (keys->keys[code / 8] & (1u << (code % 8))) != 0;
    });
}

bool X11EscapeWatch::pressed()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS &&
            isEscape(reinterpret_cast<xcb_key_press_event_t*>(event)->detail))
            m_pressed = true;
        std::free(event);
    }
    if (!m_pressed && !m_grabbed)
        m_pressed = heldNow();
    return m_pressed;
}

} // namespace vistrel::x11
