#pragma once

#include "platform/wayland/ScreenSource.h"

namespace vistrel::wayland {

class WaylandDisplay;

// Reads the screen through wlroots' screen-copy protocol (sway, Hyprland, labwc, river,
// Wayfire): silent, per output, into shared memory.
class WlrScreencopy final : public ScreenSource {
public:
    explicit WlrScreencopy(WaylandDisplay& display) : m_display(display) {}

    const char* name() const override { return "wlr-screencopy"; }
    bool drawsPointer() const override { return true; }
    QImage grab(const QRect& area, bool withPointer) override;

private:
    WaylandDisplay& m_display;
};

} // namespace vistrel::wayland
