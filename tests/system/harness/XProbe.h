#pragma once

#include "harness/XDisplay.h"

#include <QByteArray>
#include <QList>
#include <QRect>

#include <optional>
#include <sys/types.h>

namespace vistrel::test {

// Window-tree questions the shell tests ask beyond the harness's own:
// where windows sit inside other clients, popups, selection owners, and
// the close request a window manager sends.
class XProbe {
public:
    explicit XProbe(XDisplay& display) : m_display(display) {}

    // The owner of a selection such as "_NET_SYSTEM_TRAY_S0"; 0 when none.
    WindowId selectionOwner(const char* selection) const;
    // Viewable windows with a _NET_WM_PID that lie inside a window whose
    // WM_CLASS names `hostClass` (case-insensitive): the icons a tray embeds.
    QList<WindowId> clientsInside(const QByteArray& hostClass) const;
    // Viewable menus of a process: its override-redirect top-level windows
    // other than tooltips (a tray icon's menu carries no menu type).
    QList<WindowId> popupMenus(pid_t pid) const;
    // Set by windows that bypass the window manager: menus, tooltips, tray icons.
    bool overrideRedirect(WindowId window) const;
    // The window's area in root coordinates; empty when it is gone.
    std::optional<QRect> rootGeometry(WindowId window) const;
    // WM_DELETE_WINDOW, as the window manager sends it for the close button.
    void requestClose(WindowId window) const;

private:
    quint32 atom(const char* name) const;
    QByteArray property(WindowId window, quint32 property) const;
    bool viewable(WindowId window) const;
    QList<WindowId> children(WindowId window) const;
    void collectInside(WindowId window, const QByteArray& hostClass, bool inside,
                       QList<WindowId>& found) const;

    XDisplay& m_display;
};

} // namespace vistrel::test
