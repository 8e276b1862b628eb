#pragma once

#include "platform/wayland/ScreenSource.h"

namespace vistrel::wayland {

class WaylandDisplay;

// The desktop portal's Screenshot interface (GNOME, and any desktop with a portal): a
// picture of the whole desktop, cut to the area here. The desktop may ask the user the first
// time; a refusal is said, never turned into an empty picture.
class PortalScreenshot final : public ScreenSource {
public:
    // The display tells where the outputs lie and their scales, to cut the picture.
    explicit PortalScreenshot(WaylandDisplay& display) : m_display(display) {}

    // Whether the session bus has the portal with its Screenshot interface.
    static bool offered();

    const char* name() const override { return "xdg-desktop-portal Screenshot"; }
    bool drawsPointer() const override { return false; }
    QImage grab(const QRect& area, bool withPointer) override;
    // The desktop lets the user choose what to take (a window, an area); null when the user
    // cancels.
    QImage grabChosenByUser();

private:
    QImage request(bool interactive);

    WaylandDisplay& m_display;
};

} // namespace vistrel::wayland
