#pragma once

#include <QByteArray>
#include <QImage>

namespace vistrel {

// Writes an 8-bit RGB PNG from a Format_RGB32 or Format_BGR888 picture: rows filtered and
// deflated by libdeflate in bands on every core (levels 0..12 as libdeflate's, -1 its level
// 2), the bands joined into one zlib stream that every reader takes. `filters` is a mask of
// libpng's PNG_FILTER_* bits (several: per row the one whose bytes, read as signed, sum
// smallest). `bands` 0 chooses by size and cores; more bands than rows are clamped.
// Chunks: IHDR, IDAT, IEND. Throws std::runtime_error when memory runs out.
QByteArray WriteTruecolourPng(const QImage& image, int zlibLevel, bool interlaced, int filters,
                              int bands = 0);

} // namespace vistrel
