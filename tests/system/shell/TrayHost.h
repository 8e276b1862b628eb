#pragma once

#include "XProbe.h"
#include "harness/XSession.h"

namespace vistrel::test {

// A notification area (trayer, an XEmbed system tray that needs no window
// manager) on the session's display, up once it owns the tray selection.
class TrayHost {
public:
    // Throws std::runtime_error with trayer's output when it does not come up.
    explicit TrayHost(XSession& session);

    // The icons docked in the tray, one window each.
    QList<WindowId> icons() const { return m_probe.clientsInside("trayer"); }
    // The single docked icon once it is there and has a size.
    std::optional<WindowId> waitForIcon() const;
    // Clicks on the icon's centre with a mouse button, `count` times.
    void click(WindowId icon, int button, int count = 1);

private:
    XSession& m_session;
    XProbe m_probe;
};

} // namespace vistrel::test
