#include "platform/x11/X11Platform.h"

#include "platform/CanberraSound.h"
#include "platform/StatusNotifierHost.h"
#include "platform/x11/X11DisplayLoss.h"
#include "platform/x11/X11EscapeWatch.h"
#include "platform/x11/X11Hotkeys.h"
#include "platform/x11/X11PickSession.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11ScreenGrabber.h"
#include "platform/x11/X11WindowTree.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <memory>
#include <stdexcept>

namespace vistrel {

using x11::Reply;

X11Platform::X11Platform()
{
    auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (native == nullptr || native->connection() == nullptr)
        throw std::runtime_error("X サーバーに接続されていません。");
    m_connection = native->connection();
    setUp(native->display() != nullptr ? DefaultScreen(native->display()) : 0);
    m_displayLoss = std::make_unique<x11::X11DisplayLoss>(m_connection, [this] {
        if (displayLost)
            displayLost();
    });
}

X11Platform::X11Platform(OwnConnection)
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection) != 0) {
        xcb_disconnect(m_connection);
        const QByteArray display = qgetenv("DISPLAY");
        throw std::runtime_error(
            display.isEmpty()
                ? std::string("X サーバーに接続できません（DISPLAY が設定されていません）。")
                : "X サーバー「" + display.toStdString() + "」に接続できません。");
    }
    m_ownsConnection = true;
    setUp(screenNumber);
}

void X11Platform::setUp(int screenNumber)
{
    m_screenNumber = screenNumber;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    m_tree = std::make_unique<x11::X11WindowTree>(m_connection, m_root);
    m_grabber = std::make_unique<x11::X11ScreenGrabber>(m_connection, m_root);
    m_sound = std::make_unique<CanberraSound>();
    auto randr = Reply<xcb_randr_query_version_reply_t>(xcb_randr_query_version_reply(
        m_connection, xcb_randr_query_version(m_connection, 1, 5), nullptr));
    m_randrMonitors = randr && (randr->major_version > 1 || randr->minor_version >= 5);
}

X11Platform::~X11Platform()
{
    if (!m_ownsConnection)
        return;
    // Everything that talks over the connection goes before it.
    m_escape.reset();
    m_hotkeys.reset();
    m_pick.reset();
    m_grabber.reset();
    m_tree.reset();
    xcb_disconnect(m_connection);
}

const char* X11Platform::displayName() const
{
    // The same server as ours, whichever way it was named (-display or DISPLAY).
    auto* native = qGuiApp != nullptr
                       ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                       : nullptr;
    return native != nullptr && native->display() != nullptr ? XDisplayString(native->display())
                                                             : nullptr;
}

// Qt shows the icon through a StatusNotifier host on the session bus when there is one, else
// in an XEmbed notification area.
bool X11Platform::systemTrayAvailable() const
{
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(m_screenNumber);
    auto atom = Reply<xcb_intern_atom_reply_t>(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 1, uint16_t(name.size()), name.constData()),
        nullptr));
    if (atom && atom->atom != XCB_NONE) {
        auto owner = Reply<xcb_get_selection_owner_reply_t>(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, atom->atom), nullptr));
        if (owner && owner->owner != XCB_NONE)
            return true;
    }
    return statusNotifierHostRegistered();
}

QImage X11Platform::grabScreen(const QRect& rect)
{
    return m_grabber->grab(rect);
}

void X11Platform::playSoundAsync(const QString& file)
{
    m_sound->play(file);
}

QRect X11Platform::primaryDisplayRect() const
{
    if (const QRect monitor = primaryMonitorRect(); !monitor.isEmpty())
        return monitor;
    if (const QRect output = primaryOutputRect(); !output.isEmpty())
        return output;
    auto geometry = Reply<xcb_get_geometry_reply_t>(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
    return geometry ? QRect(0, 0, geometry->width, geometry->height) : QRect();
}

QList<QRect> X11Platform::monitorRects() const
{
    const QRect primary = primaryDisplayRect();
    QList<QRect> monitors{primary};
    if (!m_randrMonitors)
        return monitors;
    auto reply = Reply<xcb_randr_get_monitors_reply_t>(xcb_randr_get_monitors_reply(
        m_connection, xcb_randr_get_monitors(m_connection, m_root, 1), nullptr));
    if (!reply)
        return monitors;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const QRect rect(it.data->x, it.data->y, it.data->width, it.data->height);
        if (!rect.isEmpty() && !monitors.contains(rect))
            monitors.append(rect);
    }
    return monitors;
}

// RandR 1.5 monitors: what desktops and `xrandr --setmonitor` call a monitor, one of them
// marked primary (else the first stands for the display).
QRect X11Platform::primaryMonitorRect() const
{
    if (!m_randrMonitors)
        return {};
    auto reply = Reply<xcb_randr_get_monitors_reply_t>(xcb_randr_get_monitors_reply(
        m_connection, xcb_randr_get_monitors(m_connection, m_root, 1), nullptr));
    if (!reply)
        return {};
    QRect first;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const QRect rect(it.data->x, it.data->y, it.data->width, it.data->height);
        if (it.data->primary != 0 && !rect.isEmpty())
            return rect;
        if (first.isEmpty())
            first = rect;
    }
    return first;
}

// Older RandR: the primary output's CRTC, where it sits on the screen.
QRect X11Platform::primaryOutputRect() const
{
    auto primary = Reply<xcb_randr_get_output_primary_reply_t>(xcb_randr_get_output_primary_reply(
        m_connection, xcb_randr_get_output_primary(m_connection, m_root), nullptr));
    if (!primary || primary->output == XCB_NONE)
        return {};
    auto output = Reply<xcb_randr_get_output_info_reply_t>(xcb_randr_get_output_info_reply(
        m_connection, xcb_randr_get_output_info(m_connection, primary->output, XCB_CURRENT_TIME),
        nullptr));
    if (!output || output->crtc == XCB_NONE)
        return {};
    auto crtc = Reply<xcb_randr_get_crtc_info_reply_t>(xcb_randr_get_crtc_info_reply(
        m_connection, xcb_randr_get_crtc_info(m_connection, output->crtc, XCB_CURRENT_TIME),
        nullptr));
    return crtc ? QRect(crtc->x, crtc->y, crtc->width, crtc->height) : QRect();
}

} // namespace vistrel
