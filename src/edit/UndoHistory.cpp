#include "edit/UndoHistory.h"

#include <zstd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace vistrel {

namespace {

// zstd's fastest regular level: screenshots shrink tenfold and more at several hundred MB/s.
constexpr int PackLevel = 1;

// One thread for the whole program packs the pictures, oldest first, and lives until the
// program ends: a thread per picture would stay unjoined (its stack mapped) for as long as
// its entry is kept.
class PackingWorker {
public:
    // Null when no thread can be had.
    static PackingWorker* instance()
    {
        static std::unique_ptr<PackingWorker> worker = [] {
            try {
                return std::make_unique<PackingWorker>();
            } catch (const std::system_error&) {
                return std::unique_ptr<PackingWorker>();
            }
        }();
        return worker.get();
    }

    PackingWorker() : m_thread([this] { run(); }) {}
    ~PackingWorker()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    PackingWorker(const PackingWorker&) = delete;
    PackingWorker& operator=(const PackingWorker&) = delete;

    std::shared_future<UndoHistory::Packed> pack(std::shared_ptr<QImage> held)
    {
        std::packaged_task<UndoHistory::Packed()> task([held = std::move(held)] {
            const QImage taken = std::move(*held); // the only other reference goes here
            return UndoHistory::pack(taken);
        });
        std::shared_future<UndoHistory::Packed> packed = task.get_future().share();
        {
            const std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
        }
        m_wake.notify_one();
        return packed;
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_stopping)
                return; // the program is ending: no one will ask for what is left
            std::packaged_task<UndoHistory::Packed()> task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::packaged_task<UndoHistory::Packed()>> m_tasks;
    bool m_stopping = false;
    std::thread m_thread; // last: started once the rest is ready
};

} // namespace

UndoHistory::Packed UndoHistory::pack(const QImage& picture)
{
    Packed packed;
    packed.format = picture.format();
    packed.width = picture.width();
    packed.height = picture.height();
    packed.dotsX = picture.dotsPerMeterX();
    packed.dotsY = picture.dotsPerMeterY();
    packed.bytesPerLine = picture.bytesPerLine();
    packed.colours = picture.colorTable();
    const size_t size = size_t(picture.sizeInBytes());
    if (size > 0) {
        QByteArray frame(qsizetype(ZSTD_compressBound(size)), Qt::Uninitialized);
        const size_t written =
            ZSTD_compress(frame.data(), size_t(frame.size()), picture.constBits(), size, PackLevel);
        if (!ZSTD_isError(written) && written < size) {
            // A copy, not the big buffer shrunk: shrinking keeps the buffer's own memory
            // mapping, one per picture kept, where a copy comes from the heap.
            packed.bytes = QByteArray(frame.constData(), qsizetype(written));
            return packed;
        }
    }
    packed.bytes.clear();
    packed.unpacked = picture;
    return packed;
}

QImage UndoHistory::unpack(const Packed& packed)
{
    if (packed.bytes.isEmpty())
        return packed.unpacked;
    QImage picture(packed.width, packed.height, packed.format);
    if (picture.isNull())
        throw std::bad_alloc();
    const size_t size = size_t(packed.bytesPerLine) * size_t(packed.height);
    QByteArray rows(qsizetype(size), Qt::Uninitialized);
    if (ZSTD_decompress(rows.data(), size, packed.bytes.constData(), size_t(packed.bytes.size())) !=
        size)
        throw std::bad_alloc(); // only a failed allocation inside zstd gets here
    // A picture made over foreign memory may have had a wider stride than a new one.
    const qsizetype copied = std::min(packed.bytesPerLine, picture.bytesPerLine());
    for (int y = 0; y < packed.height; ++y)
        std::memcpy(picture.scanLine(y), rows.constData() + qsizetype(y) * packed.bytesPerLine,
                    size_t(copied));
    picture.setColorTable(packed.colours);
    picture.setDotsPerMeterX(packed.dotsX);
    picture.setDotsPerMeterY(packed.dotsY);
    return picture;
}

void UndoHistory::packNewest()
{
    if (m_entries.empty() || m_entries.back().packed.valid())
        return;
    Entry& entry = m_entries.back();
    // The worker holds the only other reference, dropped as soon as it has packed it.
    if (PackingWorker* const worker = PackingWorker::instance())
        entry.packed = worker->pack(std::make_shared<QImage>(std::move(entry.plain)));
    // else no thread to be had: kept as it is
}

void UndoHistory::push(const QImage& picture)
{
    packNewest();
    m_entries.push_back({picture, {}});
}

QImage UndoHistory::newest()
{
    Entry& entry = m_entries.back();
    if (entry.packed.valid()) {
        entry.plain = unpack(entry.packed.get());
        entry.packed = {};
    }
    return entry.plain;
}

QImage UndoHistory::dropNewest()
{
    m_entries.pop_back();
    return newest();
}

qsizetype UndoHistory::packedBytes() const
{
    qsizetype total = 0;
    for (const Entry& entry : m_entries)
        if (entry.packed.valid())
            total += entry.packed.get().bytes.size();
    return total;
}

} // namespace vistrel
