#include "platform/wayland/WlrScreencopy.h"

#include "platform/MonitorPictures.h"
#include "platform/wayland/WaylandDisplay.h"

#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

namespace vistrel::wayland {

namespace {

// Shared memory the compositor copies one frame into.
class ShmFrameBuffer {
public:
    ShmFrameBuffer(wl_shm* shm, quint32 format, int width, int height, int stride)
        : m_size(size_t(stride) * size_t(height))
    {
        const int fd = memfd_create("vistrel-screencopy", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, off_t(m_size)) != 0) {
            if (fd >= 0)
                close(fd);
            throw std::runtime_error("画面を読み取るための共有メモリを用意できません。");
        }
        m_data = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int(m_size));
        close(fd);
        if (m_data == MAP_FAILED) {
            wl_shm_pool_destroy(pool);
            throw std::runtime_error("画面を読み取るための共有メモリを用意できません。");
        }
        m_buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
        wl_shm_pool_destroy(pool);
    }
    ~ShmFrameBuffer()
    {
        wl_buffer_destroy(m_buffer);
        munmap(m_data, m_size);
    }
    ShmFrameBuffer(const ShmFrameBuffer&) = delete;
    ShmFrameBuffer& operator=(const ShmFrameBuffer&) = delete;

    wl_buffer* buffer() const { return m_buffer; }
    const uchar* data() const { return static_cast<const uchar*>(m_data); }

private:
    size_t m_size;
    void* m_data = nullptr;
    wl_buffer* m_buffer = nullptr;
};

// One frame of one output, from the offer of a buffer to the copy being ready.
struct FrameCopy {
    WaylandDisplay* display = nullptr;
    quint32 format = 0;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool yInverted = false;
    bool ready = false;
    bool failed = false;
    std::unique_ptr<ShmFrameBuffer> memory;
    zwlr_screencopy_frame_v1* frame = nullptr;
};

QImage::Format imageFormatOf(quint32 shmFormat)
{
    switch (shmFormat) {
    case WL_SHM_FORMAT_XRGB8888:
    case WL_SHM_FORMAT_ARGB8888:
        return QImage::Format_RGB32;
    case WL_SHM_FORMAT_XBGR8888:
    case WL_SHM_FORMAT_ABGR8888:
        return QImage::Format_RGBX8888;
    default:
        return QImage::Format_Invalid;
    }
}

void onBuffer(void* data, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t width,
              uint32_t height, uint32_t stride)
{
    auto* copy = static_cast<FrameCopy*>(data);
    if (copy->memory)
        return; // a later offer of another kind of buffer
    if (imageFormatOf(format) == QImage::Format_Invalid) {
        copy->failed = true;
        return;
    }
    copy->format = format;
    copy->width = int(width);
    copy->height = int(height);
    copy->stride = int(stride);
    try { // nothing may be thrown through the Wayland library
        copy->memory = std::make_unique<ShmFrameBuffer>(copy->display->shm(), format, int(width),
                                                        int(height), int(stride));
        zwlr_screencopy_frame_v1_copy(frame, copy->memory->buffer());
    } catch (const std::exception&) {
        copy->failed = true;
    }
}

void onFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags)
{
    static_cast<FrameCopy*>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
}

void onReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t)
{
    static_cast<FrameCopy*>(data)->ready = true;
}

void onFailed(void* data, zwlr_screencopy_frame_v1*)
{
    static_cast<FrameCopy*>(data)->failed = true;
}

void onDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void onBufferDone(void*, zwlr_screencopy_frame_v1*) {}

const zwlr_screencopy_frame_v1_listener frameListener = {onBuffer, onFlags,  onReady,     onFailed,
                                                         onDamage, onDmabuf, onBufferDone};

QImage pictureOf(const FrameCopy& copy)
{
    const QImage view(copy.memory->data(), copy.width, copy.height, copy.stride,
                      imageFormatOf(copy.format));
    QImage picture = view.format() == QImage::Format_RGB32
                         ? view.copy()
                         : view.convertToFormat(QImage::Format_RGB32);
    if (copy.yInverted)
        picture.mirror(false, true);
    return picture;
}

QImage grabOutput(WaylandDisplay& display, wl_output* output, bool withPointer)
{
    FrameCopy copy;
    copy.display = &display;
    copy.frame =
        zwlr_screencopy_manager_v1_capture_output(display.screencopy(), withPointer, output);
    zwlr_screencopy_frame_v1_add_listener(copy.frame, &frameListener, &copy);
    const bool answered = display.dispatchUntil([&copy] { return copy.ready || copy.failed; });
    zwlr_screencopy_frame_v1_destroy(copy.frame);
    if (!answered)
        throw std::runtime_error("コンポジタが画面の内容を渡しませんでした（時間切れ）。");
    if (copy.failed || !copy.memory)
        throw std::runtime_error("コンポジタが画面の読み取りを断りました。");
    return pictureOf(copy);
}

} // namespace

QImage WlrScreencopy::grab(const QRect& area, bool withPointer)
{
    QList<MonitorPicture> pictures;
    for (const WaylandOutput& output : m_display.outputs())
        if (output.logical.intersects(area))
            pictures << MonitorPicture{output.logical,
                                       grabOutput(m_display, output.output, withPointer)};
    return ComposeMonitorPictures(area, pictures);
}

} // namespace vistrel::wayland
