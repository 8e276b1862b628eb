#pragma once

#include <xcb/xcb.h>

namespace vistrel::x11 {

// The atoms the window operations read, interned once per connection.
struct X11Atoms {
    explicit X11Atoms(xcb_connection_t* connection);

    xcb_atom_t netActiveWindow = XCB_NONE;
    xcb_atom_t netClientListStacking = XCB_NONE;
    xcb_atom_t netFrameExtents = XCB_NONE;
    xcb_atom_t gtkFrameExtents = XCB_NONE;
    xcb_atom_t netWmName = XCB_NONE;
    xcb_atom_t utf8String = XCB_NONE;
    xcb_atom_t compoundText = XCB_NONE;
    xcb_atom_t netWmWindowType = XCB_NONE;
    xcb_atom_t netWmWindowTypeDesktop = XCB_NONE;
    xcb_atom_t netWmWindowTypeDock = XCB_NONE;
    xcb_atom_t netSupportingWmCheck = XCB_NONE;
    xcb_atom_t wmState = XCB_NONE;
};

} // namespace vistrel::x11
