#pragma once

#include <QImage>

#include <deque>
#include <future>

namespace vistrel {

// The pictures an undo goes back to, oldest first. The newest is kept as it is; every older
// one is compressed with zstd on a worker thread as soon as a newer one arrives, so that a
// long editing session of screen-sized pictures stays small. An undo decompresses one.
class UndoHistory {
public:
    UndoHistory() = default;
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    void clear() { m_entries.clear(); }
    void swap(UndoHistory& other) noexcept { m_entries.swap(other.m_entries); }
    void push(const QImage& picture);
    int size() const { return static_cast<int>(m_entries.size()); }
    // Drops the newest picture and gives back the one before it, which becomes the newest.
    // Needs at least two pictures.
    QImage dropNewest();
    // The newest picture, unpacked again when a tab left behind had it packed. Needs one.
    QImage newest();
    // Packs the newest picture too, on the worker: its tab is no longer on show.
    void packNewest();
    // The bytes the older pictures take once compressed (waits for the workers).
    qsizetype packedBytes() const;

    struct Packed {
        QByteArray bytes; // zstd frame of the pixel rows
        QImage unpacked;  // kept as it is when compressing did not pay or failed
        QImage::Format format = QImage::Format_Invalid;
        int width = 0, height = 0, dotsX = 0, dotsY = 0;
        qsizetype bytesPerLine = 0;
        QList<QRgb> colours;
    };
    static Packed pack(const QImage& picture);
    static QImage unpack(const Packed& packed);

private:
    struct Entry {
        QImage plain;
        std::shared_future<Packed> packed;
    };
    std::deque<Entry> m_entries;
};

} // namespace vistrel
