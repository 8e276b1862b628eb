#pragma once

#include <QImage>
#include <QList>

namespace vistrel {

// The colour-depth conversions of the bitmap save types, made on a copy with nearest-colour
// mapping and no dithering. The palette depths come back as Format_Indexed8 with exactly
// the palette of that depth; 5-5-5 and 5-6-5 as Format_RGB555 and Format_RGB16 with the low
// bits of each channel dropped.
class PictureConversions {
public:
    // Black, maroon, green, olive, navy, purple, teal, silver, grey, red, lime, yellow,
    // blue, fuchsia, aqua, white: the 16-colour system palette in its usual order.
    static const QList<QRgb>& standard16Palette();
    // The 20 static system colours (10 first, 10 last) around a 6x6x6 colour cube and 20 greys.
    static const QList<QRgb>& halftone256Palette();

    static QImage toMonochrome(const QImage& image);
    static QImage toStandard16(const QImage& image);
    static QImage toHalftone256(const QImage& image);
    static QImage toRgb555(const QImage& image);
    static QImage toRgb565(const QImage& image);
    static QImage to24Bit(const QImage& image);
    static QImage to32Bit(const QImage& image);

    // An indexed picture that already fits `maxColors` palette entries as Format_Indexed8,
    // anything else converted to the standard palette of that size (2, 16 or 256).
    static QImage toIndexedWithin(const QImage& image, int maxColors);
};

} // namespace vistrel
