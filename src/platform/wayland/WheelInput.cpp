#include "platform/wayland/WheelInput.h"

#include "platform/wayland/WaylandDisplay.h"

#include "fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <QElapsedTimer>
#include <QThread>

namespace vistrel::wayland {

namespace {

// Programs bind to a new pointer device asynchronously: its first event can be lost if it
// comes at once.
constexpr int NewDeviceSettleMs = 200;
// One notch of a wheel as libinput reports it, in the axis' units.
constexpr int NotchDistance = 15;
// wl_pointer's axis and axis source numbers, as both protocols take them.
constexpr quint32 VerticalAxis = 0;
constexpr quint32 WheelSource = 0;

quint32 eventTime()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return quint32(clock.elapsed());
}

class VirtualPointerDevice final : public WheelDevice {
public:
    VirtualPointerDevice(WaylandDisplay& display, zwlr_virtual_pointer_v1* pointer,
                         const QRect& layout)
        : m_display(display), m_pointer(pointer), m_layout(layout)
    {}
    ~VirtualPointerDevice() override
    {
        zwlr_virtual_pointer_v1_destroy(m_pointer);
        m_display.roundtrip();
    }
    VirtualPointerDevice(const VirtualPointerDevice&) = delete;
    VirtualPointerDevice& operator=(const VirtualPointerDevice&) = delete;

    void moveTo(QPoint position) override
    {
        const QPoint offset = position - m_layout.topLeft();
        zwlr_virtual_pointer_v1_motion_absolute(
            m_pointer, eventTime(), quint32(std::clamp(offset.x(), 0, m_layout.width() - 1)),
            quint32(std::clamp(offset.y(), 0, m_layout.height() - 1)), quint32(m_layout.width()),
            quint32(m_layout.height()));
        zwlr_virtual_pointer_v1_frame(m_pointer);
        m_display.roundtrip();
    }

    void notchDown() override
    {
        const quint32 time = eventTime();
        zwlr_virtual_pointer_v1_axis_source(m_pointer, WheelSource);
        zwlr_virtual_pointer_v1_axis_discrete(m_pointer, time, VerticalAxis,
                                              wl_fixed_from_int(NotchDistance), 1);
        zwlr_virtual_pointer_v1_frame(m_pointer);
        m_display.roundtrip();
    }

private:
    WaylandDisplay& m_display;
    zwlr_virtual_pointer_v1* m_pointer;
    QRect m_layout;
};

class VirtualPointerInput final : public WheelInput {
public:
    explicit VirtualPointerInput(WaylandDisplay& display) : m_display(display) {}
    const char* name() const override { return "wlr virtual pointer"; }

    std::unique_ptr<WheelDevice> open(const QRect& layout) override
    {
        zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(
            m_display.virtualPointers(), m_display.seat());
        if (pointer == nullptr || !m_display.roundtrip())
            return nullptr;
        QThread::msleep(NewDeviceSettleMs);
        return std::make_unique<VirtualPointerDevice>(m_display, pointer, layout);
    }

private:
    WaylandDisplay& m_display;
};

// KWin's fake input is one device for the whole connection, allowed once authenticated.
class FakeInputDevice final : public WheelDevice {
public:
    explicit FakeInputDevice(WaylandDisplay& display) : m_display(display) {}

    void moveTo(QPoint position) override
    {
        org_kde_kwin_fake_input_pointer_motion_absolute(m_display.fakeInput(),
                                                        wl_fixed_from_int(position.x()),
                                                        wl_fixed_from_int(position.y()));
        m_display.roundtrip();
    }

    void notchDown() override
    {
        org_kde_kwin_fake_input_axis(m_display.fakeInput(), VerticalAxis,
                                     wl_fixed_from_int(NotchDistance));
        m_display.roundtrip();
    }

private:
    WaylandDisplay& m_display;
};

class FakeInput final : public WheelInput {
public:
    explicit FakeInput(WaylandDisplay& display) : m_display(display) {}
    const char* name() const override { return "KDE fake input"; }

    std::unique_ptr<WheelDevice> open(const QRect&) override
    {
        if (!m_authenticated) {
            org_kde_kwin_fake_input_authenticate(
                m_display.fakeInput(), "Vistrel",
                "スクロールキャプチャでウインドウをスクロールします");
            if (!m_display.roundtrip())
                return nullptr;
            m_authenticated = true;
            QThread::msleep(NewDeviceSettleMs);
        }
        return std::make_unique<FakeInputDevice>(m_display);
    }

private:
    WaylandDisplay& m_display;
    bool m_authenticated = false;
};

} // namespace

std::unique_ptr<WheelInput> ProbeWheelInput(WaylandDisplay& display)
{
    if (display.virtualPointers() != nullptr)
        return std::make_unique<VirtualPointerInput>(display);
    if (display.fakeInput() != nullptr)
        return std::make_unique<FakeInput>(display);
    return nullptr;
}

} // namespace vistrel::wayland
