#include "platform/x11/X11PickSession.h"

#include "platform/TerminationNotice.h"

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <chrono>
#include <poll.h>
#include <thread>

namespace vistrel::x11 {

namespace {

constexpr xcb_keysym_t SpaceKey = 0x0020;
constexpr xcb_keysym_t EscapeKey = 0xff1b;

// The window manager or a held button may own the grab for a moment.
template <typename Attempt>
bool grabWithRetry(Attempt attempt)
{
    for (int tries = 0; tries < 100; ++tries) {
        const uint8_t status = attempt();
        if (status == XCB_GRAB_STATUS_SUCCESS)
            return true;
        if (status != XCB_GRAB_STATUS_ALREADY_GRABBED && status != XCB_GRAB_STATUS_FROZEN)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace

X11PickSession::X11PickSession(xcb_connection_t* connection)
    : m_connection(connection), m_screen(xcb_setup_roots_iterator(xcb_get_setup(connection)).data)
{}

std::unique_ptr<X11PickSession> X11PickSession::start(const char* displayName)
{
    xcb_connection_t* connection = xcb_connect(displayName, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<X11PickSession> session(new X11PickSession(connection));
    if (!session->grab())
        return nullptr;
    session->loadKeyCodes();
    session->m_frame = std::make_unique<X11PickFrame>(connection, session->m_screen);
    return session;
}

X11PickSession::~X11PickSession()
{
    m_frame.reset();
    swallowRelease();
    m_pending.reset();
    xcb_ungrab_pointer(m_connection, XCB_CURRENT_TIME);
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    // Closing also destroys anything left on this connection.
    xcb_disconnect(m_connection);
}

bool X11PickSession::grab()
{
    const xcb_window_t root = m_screen->root;
    const bool pointer = grabWithRetry([this, root] {
        const uint16_t events = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                XCB_EVENT_MASK_POINTER_MOTION;
        auto reply = Reply<xcb_grab_pointer_reply_t>(xcb_grab_pointer_reply(
            m_connection,
            xcb_grab_pointer(m_connection, 0, root, events, XCB_GRAB_MODE_ASYNC,
                             XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
            nullptr));
        return reply ? reply->status : uint8_t(XCB_GRAB_STATUS_INVALID_TIME);
    });
    if (!pointer)
        return false;
    return grabWithRetry([this, root] {
        auto reply = Reply<xcb_grab_keyboard_reply_t>(
            xcb_grab_keyboard_reply(m_connection,
                                    xcb_grab_keyboard(m_connection, 0, root, XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    nullptr));
        return reply ? reply->status : uint8_t(XCB_GRAB_STATUS_INVALID_TIME);
    });
}

void X11PickSession::loadKeyCodes()
{
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    if (symbols == nullptr)
        return;
    const auto collect = [symbols](xcb_keysym_t keysym, std::vector<xcb_keycode_t>& into) {
        Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keysym));
        for (const xcb_keycode_t* code = codes.get(); code && *code != XCB_NO_SYMBOL; ++code)
            into.push_back(*code);
    };
    collect(SpaceKey, m_confirmKeys);
    collect(EscapeKey, m_cancelKeys);
    xcb_key_symbols_free(symbols);
}

// Waits for the next event of the pick, or for the program being asked to end, which
// cancels the pick so that the grabs go and the exit can run.
Reply<xcb_generic_event_t> X11PickSession::waitForEvent()
{
    while (true) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            return Reply<xcb_generic_event_t>(event);
        if (xcb_connection_has_error(m_connection) != 0 || terminationNoticed())
            return nullptr;
        pollfd entries[2] = {{xcb_get_file_descriptor(m_connection), POLLIN, 0},
                             {terminationNoticeFd(), POLLIN, 0}};
        ::poll(entries, entries[1].fd >= 0 ? 2 : 1, -1);
    }
}

PickEvent X11PickSession::next()
{
    while (true) {
        Reply<xcb_generic_event_t> event(m_pending ? std::move(m_pending) : waitForEvent());
        if (!event)
            return {PickEvent::Kind::Cancel, {}}; // the server went away, or the program ends
        switch (event->response_type & 0x7f) {
        case XCB_MOTION_NOTIFY: {
            const auto* motion = reinterpret_cast<xcb_motion_notify_event_t*>(event.get());
            return foldMotions(QPoint(motion->root_x, motion->root_y));
        }
        case XCB_BUTTON_PRESS: {
            const auto* press = reinterpret_cast<xcb_button_press_event_t*>(event.get());
            if (press->detail == 1 || press->detail == 3)
                m_heldButton = press->detail;
            if (press->detail == 1)
                return {PickEvent::Kind::Confirm, QPoint(press->root_x, press->root_y)};
            if (press->detail == 3)
                return {PickEvent::Kind::Cancel, {}};
            break;
        }
        case XCB_KEY_PRESS: {
            const xcb_keycode_t code =
                reinterpret_cast<xcb_key_press_event_t*>(event.get())->detail;
            const auto has = [code](const std::vector<xcb_keycode_t>& keys) {
                return std::find(keys.begin(), keys.end(), code) != keys.end();
            };
            if (has(m_confirmKeys) || has(m_cancelKeys))
                m_heldKey = code;
            if (has(m_confirmKeys))
                return {PickEvent::Kind::Confirm, {}};
            if (has(m_cancelKeys))
                return {PickEvent::Kind::Cancel, {}};
            break;
        }
        case XCB_BUTTON_RELEASE:
        case XCB_KEY_RELEASE:
            noteRelease(event.get());
            break;
        default:
            break;
        }
    }
}

// The click or key that ended the pick is still down. Were the grab released now, its
// release would go to the window beneath, which may act on it (press a button there), so
// the grab stays until it comes, for a few seconds at most.
void X11PickSession::swallowRelease()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((m_heldButton != 0 || m_heldKey != 0) && xcb_connection_has_error(m_connection) == 0) {
        Reply<xcb_generic_event_t> event(m_pending ? m_pending.release()
                                                   : xcb_poll_for_event(m_connection));
        if (!event) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return;
            pollfd entry{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&entry, 1, int(std::min<long long>(left.count(), 100)));
            continue;
        }
        noteRelease(event.get());
    }
}

void X11PickSession::noteRelease(const xcb_generic_event_t* event)
{
    const uint8_t type = event->response_type & 0x7f;
    // Button and key events share their layout up to the detail.
    const uint8_t detail = reinterpret_cast<const xcb_button_release_event_t*>(event)->detail;
    if (type == XCB_BUTTON_RELEASE && detail == m_heldButton)
        m_heldButton = 0;
    if (type == XCB_KEY_RELEASE && detail == m_heldKey)
        m_heldKey = 0;
}

PickEvent X11PickSession::foldMotions(QPoint position)
{
    while (xcb_generic_event_t* more = xcb_poll_for_event(m_connection)) {
        if ((more->response_type & 0x7f) != XCB_MOTION_NOTIFY) {
            m_pending.reset(more); // handled by the next call, after this move
            break;
        }
        const auto* motion = reinterpret_cast<xcb_motion_notify_event_t*>(more);
        position = QPoint(motion->root_x, motion->root_y);
        std::free(more);
    }
    return {PickEvent::Kind::Moved, position};
}

void X11PickSession::showFrame(const QRect& rect)
{
    m_frame->show(rect);
}

void X11PickSession::hideFrame()
{
    m_frame->hide();
}

bool X11PickSession::ownsWindow(xcb_window_t window) const
{
    return m_frame->owns(window);
}

} // namespace vistrel::x11
