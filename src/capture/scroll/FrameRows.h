#pragma once

#include <QImage>

#include <vector>

namespace vistrel {

// Fingerprints of a frame's rows: one 64-bit hash per vertical strip of each
// row, so that a row still counts as equal when one narrow band (a scroll bar,
// a caret) has changed, and rows are compared without touching their pixels.
class FrameRows {
public:
    static constexpr int MaxStrips = 8;

    FrameRows() = default;
    // The frame must be 32 bits per pixel.
    explicit FrameRows(const QImage& frame);

    int height() const { return m_height; }
    int strips() const { return m_strips; }
    quint64 hash(int row, int strip) const { return m_hashes[size_t(row * m_strips + strip)]; }
    // Pixel columns [begin, end) of a strip.
    int stripBegin(int strip) const { return strip * m_width / m_strips; }
    int stripEnd(int strip) const { return (strip + 1) * m_width / m_strips; }
    // A column of a frame `width` wide where something small that stays put (a pointer
    // drawn into every grab) spoils one strip alone, so the rows it crosses still match.
    static int oneStripColumn(int width);

    // Rows are alike when at most one strip differs (none for frames of few strips).
    bool alike(int row, const FrameRows& other, int otherRow) const;
    // Every row alike the same row of `other`: nothing changed but a narrow band
    // (a blinking caret, a clock).
    bool alikeThroughout(const FrameRows& other) const;

private:
    int m_width = 0;
    int m_height = 0;
    int m_strips = 0;
    std::vector<quint64> m_hashes;
};

} // namespace vistrel
