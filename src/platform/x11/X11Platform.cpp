#include "platform/x11/X11Platform.h"

#include <QGuiApplication>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <memory>
#include <stdexcept>

namespace vistrel {

namespace {

// Frees an xcb reply when it goes out of scope.
struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

X11Platform::X11Platform()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        throw std::runtime_error("No X11 connection");
    m_connection = x11->connection();
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

X11Platform::~X11Platform() = default;

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
                m_connection,
                xcb_randr_get_crtc_info(m_connection, output->crtc, XCB_CURRENT_TIME), nullptr));
            if (crtc && crtc->width > 0 && crtc->height > 0)
                return {crtc->width, crtc->height};
        }
    }
    auto geometry = Reply<xcb_get_geometry_reply_t>(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
    return geometry ? QSize(geometry->width, geometry->height) : QSize();
}

} // namespace vistrel
