#include "harness/XProbe.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace vistrel::test {

namespace {

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> reply(T* raw)
{
    return Reply<T>(raw, &std::free);
}

} // namespace

quint32 XProbe::atom(const char* name) const
{
    xcb_connection_t* c = m_display.connection();
    const auto answer = reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return answer ? answer->atom : static_cast<quint32>(XCB_ATOM_NONE);
}

QByteArray XProbe::property(WindowId window, quint32 name) const
{
    xcb_connection_t* c = m_display.connection();
    const auto answer = reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, name, XCB_ATOM_ANY, 0, 1 << 12), nullptr));
    if (!answer)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(answer.get())),
                      xcb_get_property_value_length(answer.get()));
}

bool XProbe::viewable(WindowId window) const
{
    xcb_connection_t* c = m_display.connection();
    const auto answer =
        reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return answer && answer->map_state == XCB_MAP_STATE_VIEWABLE;
}

QList<WindowId> XProbe::children(WindowId window) const
{
    xcb_connection_t* c = m_display.connection();
    const auto answer = reply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    QList<WindowId> result;
    if (!answer)
        return result;
    const xcb_window_t* list = xcb_query_tree_children(answer.get());
    for (int i = 0; i < xcb_query_tree_children_length(answer.get()); ++i)
        result.append(list[i]);
    return result;
}

WindowId XProbe::selectionOwner(const char* selection) const
{
    xcb_connection_t* c = m_display.connection();
    const auto answer = reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(selection)), nullptr));
    return answer ? answer->owner : 0;
}

void XProbe::collectInside(WindowId window, const QByteArray& hostClass, bool inside,
                           QList<WindowId>& found) const
{
    if (!viewable(window))
        return;
    if (inside && !property(window, atom("_NET_WM_PID")).isEmpty()) {
        found.append(window);
        return;
    }
    // WM_CLASS is "instance\0Class\0".
    const QByteArray wmClass = property(window, XCB_ATOM_WM_CLASS).toLower();
    const bool host = inside || wmClass.split('\0').contains(hostClass.toLower());
    for (WindowId child : children(window))
        collectInside(child, hostClass, host, found);
}

QList<WindowId> XProbe::clientsInside(const QByteArray& hostClass) const
{
    QList<WindowId> found;
    for (WindowId top : children(m_display.root()))
        collectInside(top, hostClass, false, found);
    return found;
}

bool XProbe::overrideRedirect(WindowId window) const
{
    xcb_connection_t* c = m_display.connection();
    const auto answer =
        reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return answer && answer->override_redirect;
}

QList<WindowId> XProbe::popupMenus(pid_t pid) const
{
    const quint32 tooltip = atom("_NET_WM_WINDOW_TYPE_TOOLTIP");
    QList<WindowId> found;
    for (WindowId window : children(m_display.root())) {
        if (!viewable(window) || !overrideRedirect(window) ||
            m_display.pid(window) != std::optional<pid_t>(pid))
            continue;
        const QByteArray types = property(window, atom("_NET_WM_WINDOW_TYPE"));
        bool isTooltip = false;
        for (qsizetype i = 0; i + 4 <= types.size(); i += 4)
            isTooltip |= *reinterpret_cast<const quint32*>(types.constData() + i) == tooltip;
        if (!isTooltip)
            found.append(window);
    }
    return found;
}

std::optional<QRect> XProbe::rootGeometry(WindowId window) const
{
    xcb_connection_t* c = m_display.connection();
    const auto size = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    const auto place = reply(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, m_display.root(), 0, 0), nullptr));
    if (!size || !place)
        return std::nullopt;
    return QRect(place->dst_x, place->dst_y, size->width, size->height);
}

void XProbe::requestClose(WindowId window) const
{
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_connection_t* c = m_display.connection();
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

} // namespace vistrel::test
