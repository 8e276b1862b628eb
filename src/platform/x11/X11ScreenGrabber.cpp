#include "platform/x11/X11ScreenGrabber.h"

#include "platform/x11/X11Reply.h"
#include "platform/x11/X11ShmPool.h"

#include <xcb/shm.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace vistrel::x11 {

namespace {

// Rows per request: the server fills one strip while we fix the one before.
constexpr int StripCount = 8;

// Four pixels at a time; GCC and Clang turn this into plain SIMD instructions.
using Pixels4 = uint32_t __attribute__((vector_size(16), aligned(4), may_alias));

// Depth-24 pixels come with the unused byte 0; QImage's RGB32 wants 0xff there.
void fixRow(const uint32_t* from, uint32_t* to, int width)
{
    const Pixels4 opaque = {0xff000000u, 0xff000000u, 0xff000000u, 0xff000000u};
    int x = 0;
    for (; x + 4 <= width; x += 4)
        *reinterpret_cast<Pixels4*>(to + x) = *reinterpret_cast<const Pixels4*>(from + x) | opaque;
    for (; x < width; ++x)
        to[x] = from[x] | 0xff000000u;
}

void fixRows(const unsigned char* source, qsizetype sourceStride, QImage& image, int firstRow,
             int rows, bool swapBytes)
{
    const int width = image.width();
    for (int y = 0; y < rows; ++y) {
        const auto* from = reinterpret_cast<const uint32_t*>(source + y * sourceStride);
        auto* to = reinterpret_cast<uint32_t*>(image.scanLine(firstRow + y));
        if (!swapBytes) {
            fixRow(from, to, width);
            continue;
        }
        for (int x = 0; x < width; ++x)
            to[x] = __builtin_bswap32(from[x]) | 0xff000000u;
    }
}

} // namespace

X11ScreenGrabber::X11ScreenGrabber(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root), m_pool(std::make_shared<X11ShmPool>(connection))
{
    m_msbFirst = xcb_get_setup(m_connection)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    auto version = Reply<xcb_shm_query_version_reply_t>(
        xcb_shm_query_version_reply(m_connection, xcb_shm_query_version(m_connection), nullptr));
    m_shmUsable = version != nullptr;
}

// Pictures still alive keep their memory; only the server side goes now.
X11ScreenGrabber::~X11ScreenGrabber()
{
    m_pool->close();
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
        throw std::runtime_error("画面のキャプチャには 24 ビットか 32 ビットの画面が必要です"
                                 "（この画面は " +
                                 std::to_string(screen->root_depth) + " ビットです）。");
}

QImage X11ScreenGrabber::grab(const QRect& rect)
{
    if (rect.isEmpty())
        return {};
    checkPixelFormat();
    // The root may have been resized (RandR) since the last grab.
    auto geometry = Reply<xcb_get_geometry_reply_t>(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
    const QRect rootRect = geometry ? QRect(0, 0, geometry->width, geometry->height) : QRect();
    const QRect area = rect.intersected(rootRect);
    if (area == rect)
        return grabArea(area);
    QImage image(rect.size(), QImage::Format_RGB32);
    if (image.isNull())
        throw std::runtime_error("画面の画像を作るためのメモリが足りません。");
    image.fill(Qt::black);
    if (area.isEmpty())
        return image;
    const QImage inside = grabArea(area);
    const QPoint at = area.topLeft() - rect.topLeft();
    for (int y = 0; y < inside.height(); ++y)
        std::copy_n(inside.constScanLine(y), inside.bytesPerLine(),
                    image.scanLine(at.y() + y) + at.x() * 4);
    return image;
}

QImage X11ScreenGrabber::grabArea(const QRect& area)
{
    if (m_shmUsable) {
        QImage image = grabShm(area);
        if (!image.isNull())
            return image;
    }
    QImage image = grabPlain(area);
    if (image.isNull())
        throw std::runtime_error("画面を読み取れませんでした。");
    return image;
}

QImage X11ScreenGrabber::grabShm(const QRect& area)
{
    const qsizetype stride = qsizetype(area.width()) * 4;
    const auto segment = m_pool->acquire(std::size_t(stride) * area.height());
    if (!segment) {
        m_shmUsable = false;
        return {};
    }
    QImage image = m_pool->wrap(*segment, area.size());
    // All strips are asked for at once, then fixed in place as each arrives.
    const int rowsPerStrip = (area.height() + StripCount - 1) / StripCount;
    std::vector<xcb_shm_get_image_cookie_t> cookies;
    for (int top = 0; top < area.height(); top += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, area.height() - top);
        cookies.push_back(xcb_shm_get_image(m_connection, m_root, int16_t(area.x()),
                                            int16_t(area.y() + top), uint16_t(area.width()),
                                            uint16_t(rows), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                            segment->id, uint32_t(top * stride)));
    }
    bool failed = false;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        xcb_generic_error_t* error = nullptr; // taken here, kept out of Qt's error log
        auto reply = Reply<xcb_shm_get_image_reply_t>(
            xcb_shm_get_image_reply(m_connection, cookies[i], &error));
        Reply<xcb_generic_error_t> ignored(error);
        const int top = int(i) * rowsPerStrip;
        const int rows = std::min(rowsPerStrip, area.height() - top);
        failed = failed || !reply || reply->size < std::size_t(rows * stride);
        if (!failed)
            fixRows(segment->data + top * stride, stride, image, top, rows, m_msbFirst);
    }
    if (failed) {
        // A remote server or a refused segment: plain requests from now on.
        m_shmUsable = false;
        return {};
    }
    return image;
}

QImage X11ScreenGrabber::grabPlain(const QRect& area)
{
    QImage image(area.size(), QImage::Format_RGB32);
    if (image.isNull())
        throw std::runtime_error("画面の画像を作るためのメモリが足りません。");
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
            return {};
        fixRows(xcb_get_image_data(reply.get()), qsizetype(area.width()) * 4, image, top, rows,
                m_msbFirst);
    }
    return image;
}

} // namespace vistrel::x11
