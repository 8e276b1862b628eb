#pragma once

#include <QImage>

#include <deque>
#include <future>

namespace vistrel {

// The pictures an undo goes back to, oldest first. The newest is kept as it is; every older
// one is packed on a worker thread as soon as a newer one arrives: as the tiles of 64 x 64
// pixels in which it differs from the newer one when few of them changed (a mosaic, a shape,
// a stamp), else whole, compressed with zstd either way, so that a long editing session of
// screen-sized pictures stays small. An undo unpacks one onto the picture after it.
// What undo took back waits for a redo, packed the same way against the picture before it,
// until a new picture arrives.
class UndoHistory {
public:
    UndoHistory() = default;
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    void clear()
    {
        m_entries.clear();
        m_redo.clear();
    }
    void swap(UndoHistory& other) noexcept
    {
        m_entries.swap(other.m_entries);
        m_redo.swap(other.m_redo);
    }
    // A new picture: what was undone can no longer be redone.
    void push(const QImage& picture);
    int size() const { return static_cast<int>(m_entries.size()); }
    // How many undone pictures a redo can bring back.
    int redoSize() const { return static_cast<int>(m_redo.size()); }
    // Drops the newest picture and gives back the one before it, which becomes the newest.
    // The dropped one waits for a redo. Needs at least two pictures.
    QImage dropNewest();
    // Brings back the picture the last undo dropped, which becomes the newest again.
    // Needs a redo step.
    QImage redo();
    // The newest picture, unpacked again when a tab left behind had it packed. Needs one.
    QImage newest();
    // Packs the newest picture too, on the worker: its tab is no longer on show.
    void packNewest();
    // The bytes the older pictures take once compressed (waits for the workers).
    qsizetype packedBytes() const;
    // The bytes the older pictures take now, without waiting: one still being packed counts
    // at its full size.
    qsizetype heldBytes() const;
    // Forgets the oldest picture (a memory bound); needs at least two.
    void dropOldest();
    // Forgets the redo step farthest from the picture shown (a memory bound).
    void dropFarthestRedo();

    static constexpr int TileSide = 64;

    struct Packed {
        QByteArray bytes; // zstd frame of the pixel rows
        QImage unpacked;  // kept as it is when compressing did not pay or failed
        QImage::Format format = QImage::Format_Invalid;
        int width = 0, height = 0, dotsX = 0, dotsY = 0;
        qsizetype bytesPerLine = 0;
        QList<QRgb> colours;
        // Set when `bytes` holds only these tiles' rows, to be laid over the newer picture.
        QList<QRect> tiles;
        // Not 0 when the picture is the newer one turned by this many quarter turns clockwise
        // (an undone quarter turn): nothing but the turn is kept.
        int quarterTurns = 0;
    };
    static Packed describing(const QImage& picture);
    static Packed pack(const QImage& picture);
    // `older` as the tiles in which it differs from `newer`, or whole when most differ, or as
    // the quarter turn of `newer` it is exactly.
    static Packed packAgainst(const QImage& older, const QImage& newer);
    // Needs the newer picture when the packed one holds tiles.
    static QImage unpack(const Packed& packed, const QImage& newer = QImage());

private:
    struct Entry {
        QImage plain;
        std::shared_future<Packed> packed;
        // The picture's size unpacked: what it holds while it is being packed.
        qsizetype unpackedBytes = 0;
    };
    void pushKeepingRedo(const QImage& picture);

    std::deque<Entry> m_entries;
    // Undone pictures, the next to redo last; each packed against the one before it.
    std::deque<Entry> m_redo;
};

} // namespace vistrel
