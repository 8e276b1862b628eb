#include "platform/wayland/WaylandDisplay.h"

#include "fake-input-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <QDeadlineTimer>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <stdexcept>

namespace vistrel::wayland {

namespace {

constexpr quint32 OutputVersion = 2;    // geometry, mode, done, scale
constexpr quint32 XdgOutputVersion = 3; // logical place and size, name
constexpr quint32 ScreencopyVersion = 1;
constexpr quint32 SeatVersion = 1;
constexpr quint32 VirtualPointerVersion = 1;
constexpr quint32 FakeInputVersion = 3; // absolute pointer motion

void onOutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                      const char*, int32_t)
{}

void onOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t)
{
    if (flags & WL_OUTPUT_MODE_CURRENT)
        static_cast<WaylandOutput*>(data)->physical = QSize(width, height);
}

void onOutputDone(void*, wl_output*) {}

void onOutputScale(void* data, wl_output*, int32_t factor)
{
    static_cast<WaylandOutput*>(data)->scale = factor > 0 ? factor : 1;
}

const wl_output_listener outputListener = {onOutputGeometry, onOutputMode, onOutputDone,
                                           onOutputScale,    nullptr,      nullptr};

void onLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y)
{
    static_cast<WaylandOutput*>(data)->logical.moveTo(x, y);
}

void onLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height)
{
    static_cast<WaylandOutput*>(data)->logical.setSize(QSize(width, height));
}

void onXdgDone(void*, zxdg_output_v1*) {}

void onXdgName(void* data, zxdg_output_v1*, const char* name)
{
    static_cast<WaylandOutput*>(data)->name = QString::fromUtf8(name);
}

void onXdgDescription(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener xdgOutputListener = {onLogicalPosition, onLogicalSize, onXdgDone,
                                                   onXdgName, onXdgDescription};

const wl_registry_listener registryListener = {
    [](void* data, wl_registry* registry, quint32 name, const char* interface, quint32 version) {
        WaylandDisplay::onGlobalAnnounced(data, registry, name, interface, version);
    },
    [](void* data, wl_registry* registry, quint32 name) {
        WaylandDisplay::onGlobalGone(data, registry, name);
    }};

} // namespace

WaylandDisplay::WaylandDisplay()
{
    m_display = wl_display_connect(nullptr);
    if (m_display == nullptr)
        throw std::runtime_error(
            "Wayland のコンポジタに接続できません（WAYLAND_DISPLAY を確かめてください）。");
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The first round gives the globals, the second what the outputs say about themselves.
    if (!roundtrip() || !roundtrip() || !describeOutputs()) {
        release();
        throw std::runtime_error("Wayland のコンポジタが応答しません。");
    }
}

WaylandDisplay::~WaylandDisplay()
{
    release();
}

void WaylandDisplay::release()
{
    for (const std::unique_ptr<WaylandOutput>& output : m_outputs) {
        if (output->xdgOutput)
            zxdg_output_v1_destroy(output->xdgOutput);
        if (output->output)
            wl_output_destroy(output->output);
    }
    m_outputs.clear();
    if (m_virtualPointers)
        zwlr_virtual_pointer_manager_v1_destroy(m_virtualPointers);
    if (m_fakeInput)
        org_kde_kwin_fake_input_destroy(m_fakeInput);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_screencopy)
        zwlr_screencopy_manager_v1_destroy(m_screencopy);
    if (m_xdgOutputs)
        zxdg_output_manager_v1_destroy(m_xdgOutputs);
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
    m_screencopy = nullptr;
    m_virtualPointers = nullptr;
    m_fakeInput = nullptr;
    m_seat = nullptr;
    m_xdgOutputs = nullptr;
    m_shm = nullptr;
    m_registry = nullptr;
    m_display = nullptr;
}

void WaylandDisplay::onGlobalAnnounced(void* data, wl_registry* registry, quint32 name,
                                       const char* interface, quint32 version)
{
    auto* self = static_cast<WaylandDisplay*>(data);
    const auto bind = [&](const wl_interface* kind, quint32 wanted) {
        return wl_registry_bind(registry, name, kind, std::min(version, wanted));
    };
    if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        self->m_shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        self->m_xdgOutputs = static_cast<zxdg_output_manager_v1*>(
            bind(&zxdg_output_manager_v1_interface, XdgOutputVersion));
    } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        self->m_screencopy = static_cast<zwlr_screencopy_manager_v1*>(
            bind(&zwlr_screencopy_manager_v1_interface, ScreencopyVersion));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->m_seat == nullptr) {
        self->m_seat = static_cast<wl_seat*>(bind(&wl_seat_interface, SeatVersion));
    } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        self->m_virtualPointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            bind(&zwlr_virtual_pointer_manager_v1_interface, VirtualPointerVersion));
    } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 &&
               version >= FakeInputVersion) {
        self->m_fakeInput = static_cast<org_kde_kwin_fake_input*>(
            bind(&org_kde_kwin_fake_input_interface, FakeInputVersion));
    } else if (std::strcmp(interface, "org_kde_plasma_window_management") == 0) {
        self->m_plasmaWindowManagement = name;
        self->m_plasmaWindowManagementVersion = version;
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto output = std::make_unique<WaylandOutput>();
        output->globalName = name;
        output->output = static_cast<wl_output*>(bind(&wl_output_interface, OutputVersion));
        wl_output_add_listener(output->output, &outputListener, output.get());
        self->m_outputs.push_back(std::move(output));
    }
}

void WaylandDisplay::onGlobalGone(void* data, wl_registry*, quint32 name)
{
    auto* self = static_cast<WaylandDisplay*>(data);
    std::erase_if(self->m_outputs, [name](const std::unique_ptr<WaylandOutput>& output) {
        if (output->globalName != name)
            return false;
        if (output->xdgOutput)
            zxdg_output_v1_destroy(output->xdgOutput);
        wl_output_destroy(output->output);
        return true;
    });
}

bool WaylandDisplay::describeOutputs()
{
    if (m_xdgOutputs == nullptr) {
        // Without xdg-output the layout is unknown: outputs side by side in device pixels.
        int left = 0;
        for (const std::unique_ptr<WaylandOutput>& output : m_outputs) {
            output->logical = QRect(QPoint(left, 0), output->physical / output->scale);
            left += output->logical.width();
        }
        return true;
    }
    for (const std::unique_ptr<WaylandOutput>& output : m_outputs) {
        output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(m_xdgOutputs, output->output);
        zxdg_output_v1_add_listener(output->xdgOutput, &xdgOutputListener, output.get());
    }
    return roundtrip();
}

QList<WaylandOutput> WaylandDisplay::outputs() const
{
    QList<WaylandOutput> result;
    for (const std::unique_ptr<WaylandOutput>& output : m_outputs)
        result << *output;
    return result;
}

bool WaylandDisplay::roundtrip()
{
    bool done = false;
    wl_callback* callback = wl_display_sync(m_display);
    static const wl_callback_listener listener = {
        [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback_add_listener(callback, &listener, &done);
    const bool answered = dispatchUntil([&done] { return done; });
    wl_callback_destroy(callback);
    return answered;
}

bool WaylandDisplay::dispatchUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return false;
        if (done())
            return true;
        while (wl_display_prepare_read(m_display) != 0)
            if (wl_display_dispatch_pending(m_display) < 0)
                return false;
        if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(m_display);
            return false;
        }
        pollfd watched{wl_display_get_fd(m_display), POLLIN, 0};
        const int ready = poll(&watched, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (ready <= 0) {
            wl_display_cancel_read(m_display);
            if (ready < 0 && errno == EINTR)
                continue;
            return false;
        }
        if (wl_display_read_events(m_display) < 0)
            return false;
    }
    return true;
}

} // namespace vistrel::wayland
