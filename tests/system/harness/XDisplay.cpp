#include "harness/XDisplay.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace vistrel::test {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

XDisplay::XDisplay(const QString& name)
{
    int screenNumber = 0;
    m_connection = xcb_connect(name.toLocal8Bit().constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        throw std::runtime_error("cannot connect to X display " + name.toStdString());
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
    m_screenSize = QSize(it.data->width_in_pixels, it.data->height_in_pixels);
}

XDisplay::~XDisplay()
{
    xcb_disconnect(m_connection);
}

quint32 XDisplay::atom(const char* name) const
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection,
        xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<quint32>(XCB_ATOM_NONE);
}

QByteArray XDisplay::property(WindowId window, quint32 property, quint32 type) const
{
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 1 << 16),
        nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QString XDisplay::title(WindowId window) const
{
    const QByteArray utf8 = property(window, atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    if (!utf8.isEmpty())
        return QString::fromUtf8(utf8);
    return QString::fromLatin1(property(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY));
}

bool XDisplay::isDialog(WindowId window) const
{
    const QByteArray types = property(window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM);
    const quint32 dialog = atom("_NET_WM_WINDOW_TYPE_DIALOG");
    for (qsizetype at = 0; at + 4 <= types.size(); at += 4) {
        quint32 type = 0;
        std::memcpy(&type, types.constData() + at, 4);
        if (type == dialog)
            return true;
    }
    return false;
}

std::optional<pid_t> XDisplay::pid(WindowId window) const
{
    const QByteArray value = property(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (value.size() != 4)
        return std::nullopt;
    quint32 pid = 0;
    std::memcpy(&pid, value.constData(), 4);
    return static_cast<pid_t>(pid);
}

void XDisplay::collect(WindowId parent, const QString& wanted, QList<WindowId>& found) const
{
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, parent), nullptr));
    if (!tree)
        return;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i) {
        const Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        if (titleMatches(title(children[i]), wanted))
            found.append(children[i]);
        else
            collect(children[i], wanted, found);
    }
}

bool XDisplay::titleMatches(const QString& title, const QString& wanted)
{
    // The main window puts the shown tab's caption and file before the program's name.
    static const QString program = QStringLiteral("Vistrel");
    return title == wanted ||
           (wanted == program && title.endsWith(QStringLiteral(" - ") + program));
}

QList<WindowId> XDisplay::findWindows(const QString& wanted) const
{
    QList<WindowId> found;
    collect(m_root, wanted, found);
    return found;
}

std::optional<WindowGeometry> XDisplay::geometry(WindowId window) const
{
    const Reply<xcb_get_geometry_reply_t> client(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
    if (!client || !origin)
        return std::nullopt;
    WindowGeometry result;
    result.client = QRect(origin->dst_x, origin->dst_y, client->width, client->height);

    // The frame is the window's ancestor just below the root (the window
    // itself when no window manager has reparented it).
    WindowId frame = window;
    for (;;) {
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, frame), nullptr));
        if (!tree)
            return std::nullopt;
        if (tree->parent == m_root || tree->parent == XCB_WINDOW_NONE)
            break;
        frame = tree->parent;
    }
    const Reply<xcb_get_geometry_reply_t> outer(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, frame), nullptr));
    if (!outer)
        return std::nullopt;
    const int border = outer->border_width;
    result.frame = QRect(outer->x, outer->y, outer->width + 2 * border, outer->height + 2 * border);
    return result;
}

bool XDisplay::hasWindowManager() const
{
    const quint32 check = atom("_NET_SUPPORTING_WM_CHECK");
    const QByteArray onRoot = property(m_root, check, XCB_ATOM_WINDOW);
    if (onRoot.size() != 4)
        return false;
    // The check window names itself once the manager has finished starting.
    WindowId child = 0;
    std::memcpy(&child, onRoot.constData(), 4);
    return property(child, check, XCB_ATOM_WINDOW) == onRoot;
}

QImage XDisplay::grab(QRect area) const
{
    if (area.isEmpty())
        area = QRect(QPoint(0, 0), m_screenSize);
    const Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root,
                      static_cast<int16_t>(area.x()), static_cast<int16_t>(area.y()),
                      static_cast<uint16_t>(area.width()), static_cast<uint16_t>(area.height()),
                      ~0u),
        nullptr));
    if (!reply)
        throw std::runtime_error("GetImage failed on the root window");
    const int length = xcb_get_image_data_length(reply.get());
    const qsizetype rowBytes = qsizetype(area.width()) * 4;
    if (reply->depth != 24 || length != rowBytes * area.height())
        throw std::runtime_error("the screen is not 24-bit colour in 32-bit pixels");
    QImage image(area.size(), QImage::Format_RGB32);
    const uint8_t* data = xcb_get_image_data(reply.get());
    for (int y = 0; y < area.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        std::memcpy(line, data + y * rowBytes, rowBytes);
        for (int x = 0; x < area.width(); ++x)
            line[x] |= 0xff000000u; // the server leaves the padding byte undefined
    }
    return image;
}

} // namespace vistrel::test
