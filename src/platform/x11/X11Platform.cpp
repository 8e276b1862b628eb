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

QSize X11Platform::primaryDisplaySize() const
{
    // The primary output's mode size; the root window's size without RandR.
    auto primary = Reply<xcb_randr_get_output_primary_reply_t>(xcb_randr_get_output_primary_reply(
        m_connection, xcb_randr_get_output_primary(m_connection, m_root), nullptr));
    if (primary && primary->output != XCB_NONE) {
        auto output = Reply<xcb_randr_get_output_info_reply_t>(xcb_randr_get_output_info_reply(
            m_connection,
            xcb_randr_get_output_info(m_connection, primary->output, XCB_CURRENT_TIME), nullptr));
        if (output && output->crtc != XCB_NONE) {
            auto crtc = Reply<xcb_randr_get_crtc_info_reply_t>(xcb_randr_get_crtc_info_reply(
                m_connection, xcb_randr_get_crtc_info(m_connection, output->crtc, XCB_CURRENT_TIME),
                nullptr));
            if (crtc && crtc->width > 0 && crtc->height > 0)
                return {crtc->width, crtc->height};
        }
    }
    auto geometry = Reply<xcb_get_geometry_reply_t>(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
    return geometry ? QSize(geometry->width, geometry->height) : QSize();
}

} // namespace vistrel
