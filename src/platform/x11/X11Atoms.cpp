#include "platform/x11/X11Atoms.h"

#include "platform/x11/X11Reply.h"

#include <array>
#include <cstring>
#include <utility>

namespace vistrel::x11 {

X11Atoms::X11Atoms(xcb_connection_t* connection)
{
    const std::array<std::pair<const char*, xcb_atom_t*>, 12> names{{
        {"_NET_ACTIVE_WINDOW", &netActiveWindow},
        {"_NET_CLIENT_LIST_STACKING", &netClientListStacking},
        {"_NET_FRAME_EXTENTS", &netFrameExtents},
        {"_GTK_FRAME_EXTENTS", &gtkFrameExtents},
        {"_NET_WM_NAME", &netWmName},
        {"UTF8_STRING", &utf8String},
        {"COMPOUND_TEXT", &compoundText},
        {"_NET_WM_WINDOW_TYPE", &netWmWindowType},
        {"_NET_WM_WINDOW_TYPE_DESKTOP", &netWmWindowTypeDesktop},
        {"_NET_WM_WINDOW_TYPE_DOCK", &netWmWindowTypeDock},
        {"_NET_SUPPORTING_WM_CHECK", &netSupportingWmCheck},
        {"WM_STATE", &wmState},
    }};
    // Send all requests first so that the whole set costs one round trip.
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies[i] = xcb_intern_atom(
            connection, 0, static_cast<uint16_t>(std::strlen(names[i].first)), names[i].first);
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto reply =
            Reply<xcb_intern_atom_reply_t>(xcb_intern_atom_reply(connection, cookies[i], nullptr));
        if (reply)
            *names[i].second = reply->atom;
    }
}

} // namespace vistrel::x11
