#pragma once

#include <QByteArray>
#include <QImage>

namespace vistrel {

// PNG files. Truecolour pictures become 8-bit RGB without alpha (written by PngWriter);
// indexed ones (Format_Indexed8 or Format_Mono) an indexed PNG of 1, 4 or 8 bits with their
// palette, through libpng, which also reads every PNG.
// No gAMA or bKGD chunk is written. Library errors come back as std::runtime_error.
class PngCodec {
public:
    // Row filters (libpng's PNG_FILTER_* bits; several: the writer chooses per row).
    static constexpr int FilterNone = 0x08;
    static constexpr int FilterSub = 0x10;
    static constexpr int FilterUp = 0x20;
    // Per row the smaller of Sub and Up: Up wins on screenshots, Sub on photographs, and the
    // choice costs a fraction of the deflate time (bench/output).
    static constexpr int DefaultFilters = FilterSub | FilterUp;

    // zlibLevel -1 (the default balance of size and time) or 0..9; Adam7 when interlaced.
    static QByteArray encode(const QImage& image, int zlibLevel, bool interlaced,
                             int filters = DefaultFilters);
    // Format_RGB32; transparency composited over white.
    static QImage decode(const QByteArray& bytes);
    static bool hasSignature(const QByteArray& bytes)
    {
        return bytes.startsWith("\x89PNG\r\n\x1A\n");
    }
};

} // namespace vistrel
