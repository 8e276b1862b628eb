#pragma once

#include "platform/x11/X11Atoms.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

namespace vistrel::x11 {

// Read-only questions about the window tree on one connection: properties,
// rectangles in root coordinates, frames and their clients.
class X11WindowTree {
public:
    X11WindowTree(xcb_connection_t* connection, xcb_window_t root);

    xcb_window_t root() const { return m_root; }
    const X11Atoms& atoms() const { return m_atoms; }

    // A property of 32-bit items (CARDINAL, WINDOW, ATOM); empty when missing.
    std::vector<uint32_t> property32(xcb_window_t window, xcb_atom_t property) const;
    QString title(xcb_window_t window) const;
    bool hasWmState(xcb_window_t window) const;
    bool hasWindowType(xcb_window_t window, xcb_atom_t type) const;
    bool windowManagerRunning() const;

    // Children bottom to top; empty for a window that vanished.
    std::vector<xcb_window_t> children(xcb_window_t window) const;
    xcb_window_t parent(xcb_window_t window) const;
    // The client (the window with WM_STATE) inside a frame, or the window itself.
    xcb_window_t clientOf(xcb_window_t window) const;
    // The top-level client that holds the window, or 0 for none.
    xcb_window_t topLevelClientOf(xcb_window_t window) const;
    bool isTopLevel(xcb_window_t window) const;

    // The window's rectangle in root coordinates; null when it vanished.
    QRect rootRect(xcb_window_t window) const;
    bool isViewable(xcb_window_t window) const;

    // The topmost viewable InputOutput child of parent that contains the point
    // (root coordinates) and is not skipped; 0 for none.
    xcb_window_t childAt(xcb_window_t parent, QPoint rootPos,
                         const std::function<bool(xcb_window_t)>& skip) const;

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    X11Atoms m_atoms;
};

} // namespace vistrel::x11
