#include "platform/x11/X11WindowTree.h"

#include "platform/x11/X11CompoundText.h"
#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <deque>

namespace vistrel::x11 {

X11WindowTree::X11WindowTree(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root), m_atoms(connection)
{}

std::vector<uint32_t> X11WindowTree::property32(xcb_window_t window, xcb_atom_t property) const
{
    if (property == XCB_NONE)
        return {};
    auto reply = Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* items = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {items, items + xcb_get_property_value_length(reply.get()) / 4};
}

QString X11WindowTree::title(xcb_window_t window) const
{
    // _NET_WM_NAME is UTF-8; the old WM_NAME is Latin-1 or, for other scripts (xterm
    // with a Japanese title), compound text.
    for (xcb_atom_t property : {m_atoms.netWmName, xcb_atom_t(XCB_ATOM_WM_NAME)}) {
        auto reply = Reply<xcb_get_property_reply_t>(
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 0, window, property,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 16384),
                                   nullptr));
        if (!reply || reply->format != 8 || reply->type == XCB_NONE)
            continue;
        const char* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
        const int length = xcb_get_property_value_length(reply.get());
        if (property == m_atoms.netWmName || reply->type == m_atoms.utf8String)
            return QString::fromUtf8(text, length);
        if (reply->type == m_atoms.compoundText)
            return decodeCompoundText(QByteArray(text, length));
        return QString::fromLatin1(text, length);
    }
    return {};
}

bool X11WindowTree::hasWmState(xcb_window_t window) const
{
    if (m_atoms.wmState == XCB_NONE)
        return false;
    auto reply = Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, window, m_atoms.wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
        nullptr));
    return reply && reply->type != XCB_NONE;
}

bool X11WindowTree::hasWindowType(xcb_window_t window, xcb_atom_t type) const
{
    const auto types = property32(window, m_atoms.netWmWindowType);
    return type != XCB_NONE && std::find(types.begin(), types.end(), type) != types.end();
}

bool X11WindowTree::windowManagerRunning() const
{
    const auto check = property32(m_root, m_atoms.netSupportingWmCheck);
    return !check.empty() && check.front() != XCB_NONE;
}

std::vector<xcb_window_t> X11WindowTree::children(xcb_window_t window) const
{
    auto reply = Reply<xcb_query_tree_reply_t>(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
    if (!reply)
        return {};
    const xcb_window_t* items = xcb_query_tree_children(reply.get());
    return {items, items + xcb_query_tree_children_length(reply.get())};
}

xcb_window_t X11WindowTree::parent(xcb_window_t window) const
{
    auto reply = Reply<xcb_query_tree_reply_t>(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
    return reply ? reply->parent : XCB_NONE;
}

xcb_window_t X11WindowTree::clientOf(xcb_window_t window) const
{
    // Breadth first: a frame holds its client a level or two down.
    std::deque<xcb_window_t> queue{window};
    while (!queue.empty()) {
        const xcb_window_t candidate = queue.front();
        queue.pop_front();
        if (hasWmState(candidate))
            return candidate;
        for (xcb_window_t child : children(candidate))
            queue.push_back(child);
    }
    return window;
}

xcb_window_t X11WindowTree::topLevelClientOf(xcb_window_t window) const
{
    if (window == XCB_NONE || window == m_root)
        return XCB_NONE;
    for (xcb_window_t current = window; current != XCB_NONE;) {
        if (hasWmState(current))
            return current;
        const xcb_window_t up = parent(current);
        if (up == m_root)
            return clientOf(current);
        current = up;
    }
    return XCB_NONE;
}

bool X11WindowTree::isTopLevel(xcb_window_t window) const
{
    return window != m_root && (hasWmState(window) || parent(window) == m_root);
}

QRect X11WindowTree::rootRect(xcb_window_t window) const
{
    auto geometryCookie = xcb_get_geometry(m_connection, window);
    auto originCookie = xcb_translate_coordinates(m_connection, window, m_root, 0, 0);
    auto geometry = Reply<xcb_get_geometry_reply_t>(
        xcb_get_geometry_reply(m_connection, geometryCookie, nullptr));
    auto origin = Reply<xcb_translate_coordinates_reply_t>(
        xcb_translate_coordinates_reply(m_connection, originCookie, nullptr));
    if (!geometry || !origin)
        return {};
    return {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

bool X11WindowTree::isViewable(xcb_window_t window) const
{
    auto reply = Reply<xcb_get_window_attributes_reply_t>(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

xcb_window_t X11WindowTree::childAt(xcb_window_t parentWindow, QPoint rootPos,
                                    const std::function<bool(xcb_window_t)>& skip) const
{
    const std::vector<xcb_window_t> list = children(parentWindow);
    const QRect parentRect = rootRect(parentWindow);
    if (list.empty() || parentRect.isNull())
        return XCB_NONE;
    // One round trip for the whole level instead of two per child.
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    std::vector<xcb_get_geometry_cookie_t> geometryCookies;
    for (xcb_window_t child : list) {
        attributeCookies.push_back(xcb_get_window_attributes(m_connection, child));
        geometryCookies.push_back(xcb_get_geometry(m_connection, child));
    }
    xcb_window_t found = XCB_NONE;
    for (std::size_t i = list.size(); i-- > 0;) {
        auto attributes = Reply<xcb_get_window_attributes_reply_t>(
            xcb_get_window_attributes_reply(m_connection, attributeCookies[i], nullptr));
        auto geometry = Reply<xcb_get_geometry_reply_t>(
            xcb_get_geometry_reply(m_connection, geometryCookies[i], nullptr));
        if (found != XCB_NONE || !attributes || !geometry)
            continue; // still collect the replies that were asked for
        if (attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        const int border = geometry->border_width;
        const QRect area(parentRect.x() + geometry->x, parentRect.y() + geometry->y,
                         geometry->width + 2 * border, geometry->height + 2 * border);
        if (area.contains(rootPos) && !skip(list[i]))
            found = list[i];
    }
    return found;
}

} // namespace vistrel::x11
