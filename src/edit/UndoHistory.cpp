#include "edit/UndoHistory.h"

#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>

namespace vistrel {

namespace {
// zstd's fastest regular level: screenshots shrink tenfold and more at several hundred MB/s.
constexpr int PackLevel = 1;
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
        packed.bytes.resize(qsizetype(ZSTD_compressBound(size)));
        const size_t written = ZSTD_compress(packed.bytes.data(), size_t(packed.bytes.size()),
                                             picture.constBits(), size, PackLevel);
        if (!ZSTD_isError(written) && written < size) {
            packed.bytes.truncate(qsizetype(written));
            packed.bytes.squeeze();
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

void UndoHistory::push(const QImage& picture)
{
    if (!m_entries.empty()) {
        Entry& previous = m_entries.back();
        // The worker holds the only other reference, dropped as soon as it has packed it.
        auto held = std::make_shared<QImage>(std::move(previous.plain));
        try {
            previous.packed = std::async(std::launch::async, [held] {
                                  const QImage taken = std::move(*held);
                                  return pack(taken);
                              }).share();
        } catch (const std::system_error&) {
            previous.plain = std::move(*held); // no thread to be had: kept as it is
        }
    }
    m_entries.push_back({picture, {}});
}

QImage UndoHistory::dropNewest()
{
    m_entries.pop_back();
    Entry& newest = m_entries.back();
    if (newest.packed.valid()) {
        newest.plain = unpack(newest.packed.get());
        newest.packed = {};
    }
    return newest.plain;
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
