#pragma once

#include <QPoint>
#include <QRect>

#include <memory>

namespace vistrel::wayland {

class WaylandDisplay;

// A pointer of our own that moves over another program's window and turns the wheel there:
// Wayland lets a program do that only through a device the compositor makes for it.
class WheelDevice {
public:
    virtual ~WheelDevice() = default;
    // Puts the pointer at a point of the compositor's layout.
    virtual void moveTo(QPoint position) = 0;
    // One notch downwards; returns once the compositor has handled it.
    virtual void notchDown() = 0;
};

// Where a wheel device comes from on this compositor.
class WheelInput {
public:
    virtual ~WheelInput() = default;
    virtual const char* name() const = 0;
    // Whether the next open() asks the user first (the desktop shows a dialog of its own).
    virtual bool asksUser() const { return false; }
    // A device for one scroll, ready for its first notch (programs see a new device a moment
    // after it appears); null when the compositor refuses it.
    virtual std::unique_ptr<WheelDevice> open(const QRect& layout) = 0;
};

// wlroots' virtual pointer or KDE's fake input, whichever the compositor offers on `display`;
// null when it offers neither.
std::unique_ptr<WheelInput> ProbeWheelInput(WaylandDisplay& display);

} // namespace vistrel::wayland
