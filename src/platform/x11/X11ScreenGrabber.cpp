#include "platform/x11/X11ScreenGrabber.h"

#include "platform/x11/X11Reply.h"

#include <xcb/shm.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vistrel::x11 {

namespace {

// Depth-24 pixels come with the unused byte 0; QImage's RGB32 wants 0xff there.
void copyRows(const unsigned char* source, int sourceStride, QImage& image, QPoint at, int width,
              int height, bool swapBytes)
{
    for (int y = 0; y < height; ++y) {
        const auto* from =
            reinterpret_cast<const uint32_t*>(source + std::size_t(y) * sourceStride);
        auto* to = reinterpret_cast<uint32_t*>(image.scanLine(at.y() + y)) + at.x();
        if (swapBytes) {
            for (int x = 0; x < width; ++x)
                to[x] = __builtin_bswap32(from[x]) | 0xff000000u;
        } else {
            for (int x = 0; x < width; ++x)
                to[x] = from[x] | 0xff000000u;
        }
    }
}

} // namespace

X11ScreenGrabber::X11ScreenGrabber(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root)
{
    m_msbFirst = xcb_get_setup(m_connection)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    auto version = Reply<xcb_shm_query_version_reply_t>(
        xcb_shm_query_version_reply(m_connection, xcb_shm_query_version(m_connection), nullptr));
    m_shmUsable = version != nullptr;
}

X11ScreenGrabber::~X11ScreenGrabber()
{
    releaseSegment();
}

void X11ScreenGrabber::checkPixelFormat() const
{
    // The screen must be 32 bits per pixel with 8-bit red, green and blue.
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    int bitsPerPixel = 0;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == screen->root_depth)
            bitsPerPixel = it.data->bits_per_pixel;
    }
    if (bitsPerPixel != 32 || screen->root_depth < 24)
        throw std::runtime_error("Screen capture needs a 24- or 32-bit display; this display has " +
                                 std::to_string(screen->root_depth) + " bits per pixel.");
}

QImage X11ScreenGrabber::grab(const QRect& rect)
{
    if (rect.isEmpty())
        return {};
    checkPixelFormat();
    // The root may have been resized (RandR) since the last grab.
    auto geometry = Reply<xcb_get_geometry_reply_t>(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
    m_rootRect = geometry ? QRect(0, 0, geometry->width, geometry->height) : QRect();
    QImage image(rect.size(), QImage::Format_RGB32);
    if (image.isNull())
        throw std::runtime_error("Not enough memory for a screen picture.");
    const QRect area = rect.intersected(m_rootRect);
    if (area != rect)
        image.fill(Qt::black);
    if (area.isEmpty())
        return image;
    const QPoint at = area.topLeft() - rect.topLeft();
    if (m_shmUsable && grabShm(area, image, at))
        return image;
    if (!grabPlain(area, image, at))
        throw std::runtime_error("The screen could not be read.");
    return image;
}

bool X11ScreenGrabber::grabShm(const QRect& area, QImage& image, QPoint at)
{
    const std::size_t bytes = std::size_t(area.width()) * area.height() * 4;
    if (!ensureSegment(bytes)) {
        m_shmUsable = false;
        return false;
    }
    auto reply = Reply<xcb_shm_get_image_reply_t>(xcb_shm_get_image_reply(
        m_connection,
        xcb_shm_get_image(m_connection, m_root, int16_t(area.x()), int16_t(area.y()),
                          uint16_t(area.width()), uint16_t(area.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment, 0),
        nullptr));
    if (!reply || reply->size < bytes) {
        // A remote server or a refused segment: plain requests from now on.
        releaseSegment();
        m_shmUsable = false;
        return false;
    }
    copyRows(m_shmData, area.width() * 4, image, at, area.width(), area.height(), m_msbFirst);
    return true;
}

bool X11ScreenGrabber::grabPlain(const QRect& area, QImage& image, QPoint at)
{
    // Strips keep each reply well below any request size limit.
    const int rowsPerStrip = std::max(1, (4 << 20) / (area.width() * 4));
    for (int top = 0; top < area.height(); top += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, area.height() - top);
        auto reply = Reply<xcb_get_image_reply_t>(xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(area.x()),
                          int16_t(area.y() + top), uint16_t(area.width()), uint16_t(rows), ~0u),
            nullptr));
        if (!reply || xcb_get_image_data_length(reply.get()) < area.width() * rows * 4)
            return false;
        copyRows(xcb_get_image_data(reply.get()), area.width() * 4, image,
                 QPoint(at.x(), at.y() + top), area.width(), rows, m_msbFirst);
    }
    return true;
}

bool X11ScreenGrabber::ensureSegment(std::size_t bytes)
{
    if (m_shmData != nullptr && m_shmSize >= bytes)
        return true;
    releaseSegment();
    m_shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (m_shmId < 0)
        return false;
    void* address = shmat(m_shmId, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(m_shmId, IPC_RMID, nullptr);
        m_shmId = -1;
        return false;
    }
    m_shmData = static_cast<unsigned char*>(address);
    m_shmSize = bytes;
    m_segment = xcb_generate_id(m_connection);
    const bool attached =
        succeeded(m_connection, xcb_shm_attach_checked(m_connection, m_segment, m_shmId, 0));
    // Marked for removal at once: the kernel frees it even if we crash.
    shmctl(m_shmId, IPC_RMID, nullptr);
    if (!attached) {
        m_segment = 0;
        releaseSegment();
        return false;
    }
    return true;
}

void X11ScreenGrabber::releaseSegment()
{
    if (m_segment != 0) {
        xcb_shm_detach(m_connection, m_segment);
        xcb_flush(m_connection);
    }
    if (m_shmData != nullptr)
        shmdt(m_shmData);
    m_segment = 0;
    m_shmData = nullptr;
    m_shmSize = 0;
    m_shmId = -1;
}

} // namespace vistrel::x11
