#include "output/codecs/PictureConversions.h"

#include <array>
#include <stdexcept>

namespace vistrel {

namespace {

QList<QRgb> makeHalftonePalette()
{
    QList<QRgb> p = {qRgb(0, 0, 0),      qRgb(128, 0, 0),     qRgb(0, 128, 0),
                     qRgb(128, 128, 0),  qRgb(0, 0, 128),     qRgb(128, 0, 128),
                     qRgb(0, 128, 128),  qRgb(192, 192, 192), qRgb(192, 220, 192),
                     qRgb(166, 202, 240)};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.append(qRgb(r * 51, g * 51, b * 51));
    // Greys between the cube's own grey levels, skipping those already present.
    for (int i = 1; i <= 24 && p.size() < 246; ++i) {
        const int level = i * 255 / 25;
        if (level % 51 != 0 && level != 128 && level != 192)
            p.append(qRgb(level, level, level));
    }
    while (p.size() < 246)
        p.append(qRgb(0, 0, 0));
    p += {qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128), qRgb(255, 0, 0),
          qRgb(0, 255, 0),     qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(255, 0, 255),
          qRgb(0, 255, 255),   qRgb(255, 255, 255)};
    return p;
}

int distance(QRgb a, QRgb b)
{
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

int nearestOf(QRgb colour, const QList<QRgb>& palette, int first, int last, int best)
{
    int bestDistance = distance(colour, palette[best]);
    for (int i = first; i < last; ++i) {
        const int d = distance(colour, palette[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int nearest16(QRgb colour)
{
    return nearestOf(colour, PictureConversions::standard16Palette(), 1, 16, 0);
}

int nearestHalftone(QRgb colour)
{
    // The cube's nearest point is found per channel; only the 40 entries off the cube compete.
    const auto& p = PictureConversions::halftone256Palette();
    const auto step = [](int v) { return (v + 25) / 51; };
    const int cube = 10 + step(qRed(colour)) * 36 + step(qGreen(colour)) * 6 + step(qBlue(colour));
    const int best = nearestOf(colour, p, 0, 10, cube);
    return nearestOf(colour, p, 226, 256, best);
}

// Maps every pixel through `nearest`, remembering recent answers: screenshots repeat colours.
template <typename Nearest>
QImage mapToPalette(const QImage& source, const QList<QRgb>& palette, Nearest nearest)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QImage out(image.size(), QImage::Format_Indexed8);
    if (out.isNull() && !image.isNull())
        throw std::runtime_error("画像を変換するためのメモリが足りません");
    out.setColorTable(palette);
    std::array<QRgb, 4096> keys;
    std::array<uchar, 4096> values{};
    keys.fill(0);
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = src[x] | 0xff000000u;
            const size_t slot = ((colour * 2654435761u) >> 20) & 4095;
            if (keys[slot] != colour) {
                keys[slot] = colour;
                values[slot] = uchar(nearest(colour));
            }
            dst[x] = values[slot];
        }
    }
    return out;
}

template <typename Pack>
QImage packPixels(const QImage& source, QImage::Format format, Pack pack)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QImage out(image.size(), format);
    if (out.isNull() && !image.isNull())
        throw std::runtime_error("画像を変換するためのメモリが足りません");
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* dst = reinterpret_cast<quint16*>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            dst[x] = pack(src[x]);
    }
    return out;
}

} // namespace

const QList<QRgb>& PictureConversions::standard16Palette()
{
    static const QList<QRgb> palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return palette;
}

const QList<QRgb>& PictureConversions::halftone256Palette()
{
    static const QList<QRgb> palette = makeHalftonePalette();
    return palette;
}

QImage PictureConversions::toMonochrome(const QImage& image)
{
    static const QList<QRgb> palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    // Nearer to white than to black exactly when the channel sum passes half of 3 * 255.
    return mapToPalette(image, palette,
                        [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c) > 382 ? 1 : 0; });
}

QImage PictureConversions::toStandard16(const QImage& image)
{
    return mapToPalette(image, standard16Palette(), nearest16);
}

QImage PictureConversions::toHalftone256(const QImage& image)
{
    return mapToPalette(image, halftone256Palette(), nearestHalftone);
}

QImage PictureConversions::toRgb555(const QImage& image)
{
    return packPixels(image, QImage::Format_RGB555, [](QRgb c) {
        return quint16(((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3));
    });
}

QImage PictureConversions::toRgb565(const QImage& image)
{
    return packPixels(image, QImage::Format_RGB16, [](QRgb c) {
        return quint16(((qRed(c) >> 3) << 11) | ((qGreen(c) >> 2) << 5) | (qBlue(c) >> 3));
    });
}

QImage PictureConversions::to24Bit(const QImage& image)
{
    return image.convertToFormat(QImage::Format_BGR888);
}

QImage PictureConversions::to32Bit(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage PictureConversions::toIndexedWithin(const QImage& image, int maxColors)
{
    const bool indexed = image.format() == QImage::Format_Indexed8 ||
                         image.format() == QImage::Format_Mono ||
                         image.format() == QImage::Format_MonoLSB;
    if (indexed && image.colorCount() <= maxColors)
        return image.convertToFormat(QImage::Format_Indexed8);
    switch (maxColors) {
    case 2:
        return toMonochrome(image);
    case 16:
        return toStandard16(image);
    case 256:
        return toHalftone256(image);
    default:
        throw std::invalid_argument("unsupported palette size");
    }
}

} // namespace vistrel
