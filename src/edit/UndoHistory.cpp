#include "edit/UndoHistory.h"

#include <QTransform>

#include <zstd.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
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

// zstd's default level: resized and rotated 4K steps keep a fifth of their size at about
// 150 MB/s on the worker; higher levels pack smaller but let unpacked steps queue up.
constexpr int PackLevel = 3;

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

    // `newer` null: packed whole.
    std::shared_future<UndoHistory::Packed> pack(std::shared_ptr<QImage> held, QImage newer)
    {
        std::packaged_task<UndoHistory::Packed()> task(
            [held = std::move(held), newer = std::move(newer)]() mutable {
                const QImage taken = std::move(*held); // the only other reference goes here
                const QImage against = std::move(newer);
                return against.isNull() ? UndoHistory::pack(taken)
                                        : UndoHistory::packAgainst(taken, against);
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
            // The frame-sized scratch buffers of a pack would otherwise stay with the
            // allocator, where a long session of screen-sized steps piles them up.
            malloc_trim(0);
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

// A packed step with everything of the picture but its pixels.
UndoHistory::Packed UndoHistory::describing(const QImage& picture)
{
    Packed packed;
    packed.format = picture.format();
    packed.width = picture.width();
    packed.height = picture.height();
    packed.dotsX = picture.dotsPerMeterX();
    packed.dotsY = picture.dotsPerMeterY();
    packed.bytesPerLine = picture.bytesPerLine();
    packed.colours = picture.colorTable();
    return packed;
}

UndoHistory::Packed UndoHistory::pack(const QImage& picture)
{
    Packed packed = describing(picture);
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

namespace {

// The bytes of one tile's rows, row after row.
qsizetype tileRowBytes(const QImage& picture, const QRect& tile)
{
    return qsizetype(tile.width()) * (picture.depth() / 8);
}

bool sameLayout(const QImage& a, const QImage& b)
{
    return a.size() == b.size() && a.format() == b.format() &&
           a.bytesPerLine() == b.bytesPerLine() && a.depth() >= 8 && a.depth() % 8 == 0 &&
           a.colorTable() == b.colorTable();
}

// A turn gives 32-bit pixels whatever it was given: the older picture's own format comes
// back by a conversion, exact between the opaque formats (checked before it is relied on).
QImage quarterTurned(const QImage& picture, int quarterTurns, QImage::Format format)
{
    // Qt turns by whole quarters pixel for pixel, without resampling.
    QImage turned = picture.transformed(QTransform().rotate(90.0 * quarterTurns));
    if (turned.format() != format)
        turned = std::move(turned).convertToFormat(format);
    return turned;
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (!sameLayout(a, b))
        return false;
    const size_t rowBytes = size_t(a.width()) * size_t(a.depth() / 8);
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0)
            return false;
    return true;
}

// How many quarter turns clockwise take `newer` exactly to `older`; 0 when none does.
int quarterTurnsBetween(const QImage& older, const QImage& newer)
{
    if (older.isNull() || newer.isNull() || older.depth() < 24 || newer.depth() < 24 ||
        older.hasAlphaChannel() || newer.hasAlphaChannel())
        return 0;
    for (const int turns : {3, 1, 2}) { // undoing a turn to the right is most common
        const QSize turnedSize = turns == 2 ? newer.size() : newer.size().transposed();
        if (turnedSize == older.size() &&
            samePixels(quarterTurned(newer, turns, older.format()), older))
            return turns;
    }
    return 0;
}

} // namespace

UndoHistory::Packed UndoHistory::packAgainst(const QImage& older, const QImage& newer)
{
    if (older.isNull())
        return pack(older);
    if (!sameLayout(older, newer)) {
        if (const int turns = quarterTurnsBetween(older, newer)) {
            Packed packed = describing(older);
            packed.quarterTurns = turns;
            return packed;
        }
        return pack(older);
    }
    QList<QRect> changed;
    int total = 0;
    for (int top = 0; top < older.height(); top += TileSide)
        for (int left = 0; left < older.width(); left += TileSide) {
            ++total;
            const QRect tile = QRect(left, top, TileSide, TileSide) & older.rect();
            const qsizetype offset = qsizetype(left) * (older.depth() / 8);
            const qsizetype length = tileRowBytes(older, tile);
            for (int y = tile.top(); y <= tile.bottom(); ++y)
                if (std::memcmp(older.constScanLine(y) + offset, newer.constScanLine(y) + offset,
                                size_t(length)) != 0) {
                    changed.append(tile);
                    break;
                }
        }
    if (changed.size() * 2 > total) {
        // Most of it changed: a half turn is kept as the turn, anything else whole, which
        // is smaller and quicker to undo than the tiles.
        if (older.width() == older.height() || changed.size() == total)
            if (const int turns = quarterTurnsBetween(older, newer)) {
                Packed packed = describing(older);
                packed.quarterTurns = turns;
                return packed;
            }
        return pack(older);
    }
    QByteArray rows;
    for (const QRect& tile : std::as_const(changed)) {
        const qsizetype offset = qsizetype(tile.left()) * (older.depth() / 8);
        for (int y = tile.top(); y <= tile.bottom(); ++y)
            rows.append(reinterpret_cast<const char*>(older.constScanLine(y)) + offset,
                        tileRowBytes(older, tile));
    }
    Packed packed = describing(older);
    packed.tiles = changed;
    if (rows.isEmpty()) {
        packed.bytes = QByteArray(); // nothing changed: the newer picture itself
        return packed;
    }
    QByteArray frame(qsizetype(ZSTD_compressBound(size_t(rows.size()))), Qt::Uninitialized);
    const size_t written = ZSTD_compress(frame.data(), size_t(frame.size()), rows.constData(),
                                         size_t(rows.size()), PackLevel);
    if (ZSTD_isError(written))
        return pack(older);
    packed.bytes = QByteArray(frame.constData(), qsizetype(written));
    return packed;
}

QImage UndoHistory::unpack(const Packed& packed, const QImage& newer)
{
    if (packed.quarterTurns != 0) {
        QImage picture = quarterTurned(newer, packed.quarterTurns, packed.format);
        if (picture.isNull())
            throw std::bad_alloc();
        picture.setDotsPerMeterX(packed.dotsX);
        picture.setDotsPerMeterY(packed.dotsY);
        return picture;
    }
    if (!packed.tiles.isEmpty() || (packed.bytes.isEmpty() && packed.unpacked.isNull() &&
                                    packed.width > 0 && !newer.isNull())) {
        QImage picture = newer.copy();
        if (picture.isNull())
            throw std::bad_alloc();
        qsizetype size = 0;
        for (const QRect& tile : packed.tiles)
            size += tileRowBytes(picture, tile) * tile.height();
        QByteArray rows(size, Qt::Uninitialized);
        if (size > 0 && ZSTD_decompress(rows.data(), size_t(size), packed.bytes.constData(),
                                        size_t(packed.bytes.size())) != size_t(size))
            throw std::bad_alloc(); // only a failed allocation inside zstd gets here
        const char* from = rows.constData();
        for (const QRect& tile : packed.tiles) {
            const qsizetype offset = qsizetype(tile.left()) * (picture.depth() / 8);
            const qsizetype length = tileRowBytes(picture, tile);
            for (int y = tile.top(); y <= tile.bottom(); ++y, from += length)
                std::memcpy(picture.scanLine(y) + offset, from, size_t(length));
        }
        picture.setDotsPerMeterX(packed.dotsX);
        picture.setDotsPerMeterY(packed.dotsY);
        return picture;
    }
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
        entry.packed = worker->pack(std::make_shared<QImage>(std::move(entry.plain)), QImage());
    // else no thread to be had: kept as it is
}

void UndoHistory::push(const QImage& picture)
{
    m_redo.clear();
    pushKeepingRedo(picture);
}

void UndoHistory::pushKeepingRedo(const QImage& picture)
{
    if (!m_entries.empty() && !m_entries.back().packed.valid()) {
        Entry& previous = m_entries.back();
        if (PackingWorker* const worker = PackingWorker::instance())
            previous.packed =
                worker->pack(std::make_shared<QImage>(std::move(previous.plain)), picture);
    }
    m_entries.push_back({picture, {}, picture.sizeInBytes()});
}

QImage UndoHistory::newest()
{
    Entry& entry = m_entries.back();
    if (entry.packed.valid()) {
        // The newest is never packed against a newer one: a left tab packs it whole.
        entry.plain = unpack(entry.packed.get());
        entry.packed = {};
    }
    return entry.plain;
}

QImage UndoHistory::dropNewest()
{
    QImage dropped = newest();
    m_entries.pop_back();
    Entry& entry = m_entries.back();
    if (entry.packed.valid()) {
        entry.plain = unpack(entry.packed.get(), dropped);
        entry.packed = {};
    }
    // The dropped picture waits for a redo, packed against the one now shown.
    Entry undone;
    undone.unpackedBytes = dropped.sizeInBytes();
    if (PackingWorker* const worker = PackingWorker::instance())
        undone.packed = worker->pack(std::make_shared<QImage>(std::move(dropped)), entry.plain);
    else
        undone.plain = std::move(dropped);
    m_redo.push_back(std::move(undone));
    return entry.plain;
}

QImage UndoHistory::redo()
{
    const QImage shown = newest();
    Entry& next = m_redo.back();
    const QImage redone = next.packed.valid() ? unpack(next.packed.get(), shown) : next.plain;
    m_redo.pop_back();
    pushKeepingRedo(redone);
    return redone;
}

void UndoHistory::dropFarthestRedo()
{
    if (m_redo.empty())
        return;
    // Packed against the one after it in time: the farthest has none depending on it.
    m_redo.pop_front();
}

void UndoHistory::dropOldest()
{
    if (m_entries.size() > 1)
        m_entries.pop_front();
}

qsizetype UndoHistory::heldBytes() const
{
    const auto bytesOf = [](const Entry& entry) -> qsizetype {
        if (!entry.packed.valid())
            return entry.plain.sizeInBytes();
        if (entry.packed.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            const Packed& packed = entry.packed.get();
            return packed.bytes.size() + packed.unpacked.sizeInBytes();
        }
        return entry.unpackedBytes; // still being packed
    };
    qsizetype total = 0;
    for (size_t i = 0; i + 1 < m_entries.size(); ++i)
        total += bytesOf(m_entries[i]);
    for (const Entry& entry : m_redo)
        total += bytesOf(entry);
    return total;
}

qsizetype UndoHistory::packedBytes() const
{
    qsizetype total = 0;
    for (const std::deque<Entry>* entries : {&m_entries, &m_redo})
        for (const Entry& entry : *entries)
            if (entry.packed.valid())
                total += entry.packed.get().bytes.size();
    return total;
}

} // namespace vistrel
