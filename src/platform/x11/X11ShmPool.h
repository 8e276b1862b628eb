#pragma once

#include <QImage>
#include <QSize>

#include <xcb/xcb.h>

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

namespace vistrel::x11 {

// MIT-SHM segments that become the pixel memory of the returned QImages, so a
// grab costs no copy. A released image gives its segment back for the next grab.
class X11ShmPool : public std::enable_shared_from_this<X11ShmPool> {
public:
    struct Segment {
        uint32_t id = 0; // the server's name for it
        unsigned char* data = nullptr;
        std::size_t size = 0;
    };

    explicit X11ShmPool(xcb_connection_t* connection);
    ~X11ShmPool();

    // A segment of at least `bytes`, attached to the server; empty when SHM fails.
    std::optional<Segment> acquire(std::size_t bytes);
    // Keeps the segment for reuse (or frees it); safe from any thread.
    void release(const Segment& segment);
    // An RGB32 image over the segment that hands it back when the image dies.
    QImage wrap(const Segment& segment, QSize size);
    // The connection is about to go: detach everything from the server now.
    void close();

private:
    std::optional<Segment> create(std::size_t bytes);
    void destroy(const Segment& segment, bool detachFromServer);

    xcb_connection_t* m_connection;
    std::mutex m_mutex;
    std::optional<Segment> m_idle;
    std::set<uint32_t> m_lent;
    bool m_closed = false;
};

} // namespace vistrel::x11
