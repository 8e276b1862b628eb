#pragma once

#include "harness/XProbe.h"
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
    // Ends trayer, waits until the tray selection is free, and starts a new one.
    void restart();

private:
    void start();

    XSession& m_session;
    XProbe m_probe;
    pid_t m_pid = -1;
};

} // namespace vistrel::test
