#pragma once

#include <QByteArray>
#include <QImage>

namespace vistrel {

// Writes an 8-bit RGB PNG from a Format_RGB32 or Format_BGR888 picture with its image data
// deflated on every core: the filtered rows are cut into strips, each strip is compressed on
// its own by zlib, primed with the 32 KiB before it and ended on a byte boundary, and the
// pieces join into one ordinary zlib stream whose checksum is combined from the strips'.
// `filters` is a mask of libpng's PNG_FILTER_* bits (several: the cheapest row by row).
// `strips` 0 chooses by size and cores; more strips than rows are clamped.
// Chunks: IHDR, IDAT, IEND. Throws std::runtime_error when zlib fails.
QByteArray WriteTruecolourPng(const QImage& image, int zlibLevel, bool interlaced, int filters,
                              int strips = 0);

} // namespace vistrel
