#include "platform/x11/X11Platform.h"

#include "platform/x11/CanberraSound.h"
#include "platform/x11/X11EscapeWatch.h"
#include "platform/x11/X11Hotkeys.h"
#include "platform/x11/X11PickSession.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11ScreenGrabber.h"
#include "platform/x11/X11WindowTree.h"

#include <QGuiApplication>

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
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_tree = std::make_unique<x11::X11WindowTree>(m_connection, m_root);
    m_grabber = std::make_unique<x11::X11ScreenGrabber>(m_connection, m_root);
    m_sound = std::make_unique<x11::CanberraSound>();
    auto randr = Reply<xcb_randr_query_version_reply_t>(xcb_randr_query_version_reply(
        m_connection, xcb_randr_query_version(m_connection, 1, 5), nullptr));
    m_randrMonitors = randr && (randr->major_version > 1 || randr->minor_version >= 5);
}

X11Platform::~X11Platform() = default;

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
