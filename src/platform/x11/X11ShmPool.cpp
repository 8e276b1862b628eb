#include "platform/x11/X11ShmPool.h"

#include "platform/x11/X11Reply.h"

#include <xcb/shm.h>

#include <sys/ipc.h>
#include <sys/shm.h>

namespace vistrel::x11 {

namespace {

// What an image's cleanup needs: the pool (kept alive) and its segment.
struct Loan {
    std::shared_ptr<X11ShmPool> pool;
    X11ShmPool::Segment segment;
};

void returnLoan(void* info)
{
    auto* loan = static_cast<Loan*>(info);
    loan->pool->release(loan->segment);
    delete loan;
}

} // namespace

X11ShmPool::X11ShmPool(xcb_connection_t* connection) : m_connection(connection) {}

X11ShmPool::~X11ShmPool()
{
    close();
}

std::optional<X11ShmPool::Segment> X11ShmPool::acquire(std::size_t bytes)
{
    std::optional<Segment> segment;
    {
        const std::lock_guard lock(m_mutex);
        if (m_closed)
            return std::nullopt;
        segment.swap(m_idle);
    }
    if (segment && segment->size < bytes) {
        destroy(*segment, true);
        segment.reset();
    }
    if (!segment)
        segment = create(bytes);
    if (segment) {
        const std::lock_guard lock(m_mutex);
        m_lent.insert(segment->id);
    }
    return segment;
}

void X11ShmPool::release(const Segment& segment)
{
    std::unique_lock lock(m_mutex);
    m_lent.erase(segment.id);
    if (m_closed) {
        lock.unlock();
        destroy(segment, false); // the server side went with close()
        return;
    }
    // One idle segment is kept, the larger one; more would only hold memory.
    std::optional<Segment> spare = segment;
    if (!m_idle || m_idle->size < segment.size)
        spare.swap(m_idle);
    lock.unlock();
    if (spare)
        destroy(*spare, true);
}

QImage X11ShmPool::wrap(const Segment& segment, QSize size)
{
    return QImage(segment.data, size.width(), size.height(), qsizetype(size.width()) * 4,
                  QImage::Format_RGB32, returnLoan, new Loan{shared_from_this(), segment});
}

void X11ShmPool::close()
{
    std::optional<Segment> idle;
    std::set<uint32_t> lent;
    {
        const std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        m_closed = true;
        idle.swap(m_idle);
        lent.swap(m_lent);
    }
    if (idle)
        destroy(*idle, true);
    for (uint32_t id : lent)
        xcb_shm_detach(m_connection, id);
    xcb_flush(m_connection);
}

std::optional<X11ShmPool::Segment> X11ShmPool::create(std::size_t bytes)
{
    const int shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shmId < 0)
        return std::nullopt;
    void* address = shmat(shmId, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(shmId, IPC_RMID, nullptr);
        return std::nullopt;
    }
    Segment segment{xcb_generate_id(m_connection), static_cast<unsigned char*>(address), bytes};
    const bool attached =
        succeeded(m_connection, xcb_shm_attach_checked(m_connection, segment.id, shmId, 0));
    // Marked for removal at once: the kernel frees it when the last user detaches, even after a
    // crash.
    shmctl(shmId, IPC_RMID, nullptr);
    if (!attached) {
        shmdt(address);
        return std::nullopt;
    }
    return segment;
}

void X11ShmPool::destroy(const Segment& segment, bool detachFromServer)
{
    if (detachFromServer) {
        xcb_shm_detach(m_connection, segment.id);
        xcb_flush(m_connection);
    }
    shmdt(segment.data);
}

} // namespace vistrel::x11
