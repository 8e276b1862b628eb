#pragma once

#include <QByteArray>
#include <QImage>

namespace vistrel {

// GIF through giflib. Writing keeps the exact colours of a picture with at most 256 of them;
// otherwise the library's quantiser picks an optimised palette of at most 256 colours and
// every pixel takes its nearest palette colour, without dithering. Reading gives the first
// frame as Format_RGB32 on the logical screen, transparent and uncovered parts white.
class GifCodec {
public:
    static QByteArray encode(const QImage& image);
    static QImage decode(const QByteArray& bytes);
    static bool hasSignature(const QByteArray& bytes)
    {
        return bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a");
    }

    // The palette and one index per pixel (Format_Indexed8) that encode() writes.
    static QImage reduceColours(const QImage& image);
};

} // namespace vistrel
