// A clipboard manager reduced to what the tests need: it owns CLIPBOARD_MANAGER and, when
// asked to SAVE_TARGETS, fetches image/png from the clipboard's owner into the file named on
// its command line, answers the request and ends. Values sent in pieces (INCR) are refused.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_connection_t* c = nullptr;

xcb_atom_t atom(const char* name)
{
    auto* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

void answer(const xcb_selection_request_event_t& request, bool saved)
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = saved ? request.property : xcb_atom_t(XCB_ATOM_NONE);
    if (saved) // the protocol's answer: an empty property of type NULL
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                            atom("NULL"), 32, 0, nullptr);
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    // A round trip before leaving: the server drops the requests of a client that hung up
    // before it read them, and the answer would never reach the requestor.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

bool store(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, const char* path)
{
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 1, window, property, XCB_ATOM_ANY, 0, 1 << 28), nullptr);
    const bool usable = reply && reply->type == type && reply->format == 8;
    if (usable) {
        FILE* file = std::fopen(path, "wb");
        const auto length = size_t(xcb_get_property_value_length(reply));
        const bool written =
            file && std::fwrite(xcb_get_property_value(reply), 1, length, file) == length;
        if (file)
            std::fclose(file);
        std::free(reply);
        return written;
    }
    std::free(reply);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER"), saveTargets = atom("SAVE_TARGETS"),
                     clipboard = atom("CLIPBOARD"), png = atom("image/png"),
                     saved = atom("TEST_MANAGER_SAVED");
    xcb_set_selection_owner(c, window, manager, XCB_CURRENT_TIME);
    xcb_flush(c);
    std::printf("ready\n");
    std::fflush(stdout);

    xcb_selection_request_event_t pending{};
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
            if (request.selection == manager && request.target == saveTargets) {
                pending = request;
                xcb_convert_selection(c, window, clipboard, png, saved, XCB_CURRENT_TIME);
                xcb_flush(c);
            } else {
                answer(request, false);
            }
        } else if (type == XCB_SELECTION_NOTIFY && pending.requestor != 0) {
            const auto& notify = *reinterpret_cast<xcb_selection_notify_event_t*>(event);
            const bool ok = notify.property != XCB_NONE && store(window, saved, png, argv[1]);
            answer(pending, ok);
            std::free(event);
            return ok ? 0 : 1;
        }
        std::free(event);
    }
    return 1;
}
