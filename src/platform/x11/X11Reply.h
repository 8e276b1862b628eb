#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace vistrel::x11 {

// Frees an xcb reply or error when it goes out of scope.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Waits for a checked request; true when the server accepted it.
inline bool succeeded(xcb_connection_t* connection, xcb_void_cookie_t cookie)
{
    return !Reply<xcb_generic_error_t>(xcb_request_check(connection, cookie));
}

} // namespace vistrel::x11
