#include "capture/scroll/FrameRows.h"

#include <algorithm>
#include <cstring>

namespace vistrel {

namespace {

// Two pixels per multiply keeps hashing a full-HD frame near a millisecond.
quint64 hashPixels(const uchar* bytes, int count)
{
    quint64 hash = 0xcbf29ce484222325ULL ^ quint64(count);
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        quint64 word;
        std::memcpy(&word, bytes + i * 4, sizeof word);
        hash = (hash ^ word) * 0x100000001b3ULL;
        hash ^= hash >> 32;
    }
    if (i < count) {
        quint32 last;
        std::memcpy(&last, bytes + i * 4, sizeof last);
        hash = (hash ^ last) * 0x100000001b3ULL;
    }
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ULL;
    return hash ^ (hash >> 32);
}

} // namespace

FrameRows::FrameRows(const QImage& frame)
    : m_width(frame.width())
    , m_height(frame.height())
    , m_strips(std::clamp(frame.width() / 16, 1, MaxStrips))
{
    m_hashes.resize(size_t(m_height) * size_t(m_strips));
    for (int y = 0; y < m_height; ++y) {
        const uchar* row = frame.constScanLine(y);
        for (int strip = 0; strip < m_strips; ++strip) {
            const int begin = stripBegin(strip);
            m_hashes[size_t(y * m_strips + strip)] =
                hashPixels(row + begin * 4, stripEnd(strip) - begin);
        }
    }
}

int FrameRows::oneStripColumn(int width)
{
    const int strips = std::clamp(width / 16, 1, MaxStrips);
    // A third into the strip left of the middle: room for an arrow's width to the right and
    // a text beam's half to the left.
    const int strip = (strips - 1) / 2;
    return strip * width / strips + width / strips / 3;
}

bool FrameRows::alike(int row, const FrameRows& other, int otherRow) const
{
    const int allowed = m_strips >= 4 ? 1 : 0;
    int differing = 0;
    for (int strip = 0; strip < m_strips; ++strip) {
        if (hash(row, strip) != other.hash(otherRow, strip) && ++differing > allowed)
            return false;
    }
    return true;
}

bool FrameRows::alikeThroughout(const FrameRows& other) const
{
    if (m_height != other.m_height || m_strips != other.m_strips)
        return false;
    for (int y = 0; y < m_height; ++y)
        if (!alike(y, other, y))
            return false;
    return true;
}

} // namespace vistrel
