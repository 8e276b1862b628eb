#include "edit/filters/AreaFilterKernels.h"

#include "edit/RowParallel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace vistrel {

namespace {

// Blue, green and red lie at byte offsets 0, 1 and 2 in both formats we edit.
int bytesPerPixel(const QImage& picture)
{
    return picture.format() == QImage::Format_BGR888 ? 3 : 4;
}

void toEditableFormat(QImage& picture)
{
    if (picture.format() != QImage::Format_BGR888 && picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
}

// Round to nearest with ties to even of n / 100, n >= 0.
int roundHundredths(int n)
{
    const int quotient = n / 100;
    const int rest = n % 100;
    if (rest > 50 || (rest == 50 && (quotient & 1) != 0))
        return quotient + 1;
    return quotient;
}

struct ColourTables {
    std::array<quint8, 256> sepiaRed{};
    std::array<quint8, 256> sepiaBlue{};
    // Grey of 70 R + 20 G + 10 B, divided by 100 with ties to even.
    std::array<quint8, 25501> grey{};
    ColourTables()
    {
        for (int v = 0; v < 256; ++v) {
            const double value = v / 255.0;
            // nearbyint rounds ties to even in the default rounding mode.
            sepiaRed[v] = quint8(std::nearbyint(255.0 * std::pow(value, 0.75)));
            sepiaBlue[v] = quint8(std::nearbyint(255.0 * std::pow(value, 4.0 / 3.0)));
        }
        for (int n = 0; n < int(grey.size()); ++n)
            grey[size_t(n)] = quint8(roundHundredths(n));
    }
};

const ColourTables& colourTables()
{
    static const ColourTables tables;
    return tables;
}

// One row of 32-bit pixels 0x00RRGGBB from `source` into `target` (which may be the same).
void recolourRow32(const QRgb* source, QRgb* target, int width, int choice)
{
    const ColourTables& t = colourTables();
    switch (choice) {
    case ColourNegative:
        for (int x = 0; x < width; ++x)
            target[x] = source[x] ^ 0x00FFFFFFu;
        break;
    case ColourSepia:
        for (int x = 0; x < width; ++x) {
            const QRgb p = source[x];
            const unsigned v = std::max({(p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu});
            target[x] =
                (p & 0xFF000000u) | (unsigned(t.sepiaRed[v]) << 16) | (v << 8) | t.sepiaBlue[v];
        }
        break;
    case ColourGrey:
        for (int x = 0; x < width; ++x) {
            const QRgb p = source[x];
            const unsigned g =
                t.grey[70 * ((p >> 16) & 0xFFu) + 20 * ((p >> 8) & 0xFFu) + 10 * (p & 0xFFu)];
            target[x] = (p & 0xFF000000u) | (g << 16) | (g << 8) | g;
        }
        break;
    default:
        break;
    }
}

// One row of 24-bit pixels (blue, green, red), in place.
void recolourRow24(uchar* p, int width, int choice)
{
    const ColourTables& t = colourTables();
    for (int x = 0; x < width; ++x, p += 3) {
        const int b = p[0];
        const int g = p[1];
        const int r = p[2];
        switch (choice) {
        case ColourNegative:
            p[0] = uchar(255 - b);
            p[1] = uchar(255 - g);
            p[2] = uchar(255 - r);
            break;
        case ColourSepia: {
            const int v = std::max({r, g, b});
            p[0] = t.sepiaBlue[size_t(v)];
            p[1] = uchar(v);
            p[2] = t.sepiaRed[size_t(v)];
            break;
        }
        case ColourGrey:
            p[0] = p[1] = p[2] = t.grey[size_t(70 * r + 20 * g + 10 * b)];
            break;
        default:
            return;
        }
    }
}

// Recolours `source` into `target` of the same size and format (they may be one picture).
void recolour(const QImage& source, QImage& target, int choice)
{
    const int width = source.width();
    const bool wide = source.format() == QImage::Format_RGB32;
    RunRowBands(
        source.height(), RowBandThreads(qint64(width) * source.height()), [&](int first, int end) {
            for (int y = first; y < end; ++y) {
                if (wide) {
                    recolourRow32(reinterpret_cast<const QRgb*>(source.constScanLine(y)),
                                  reinterpret_cast<QRgb*>(target.scanLine(y)), width, choice);
                } else {
                    if (&source != &target)
                        std::memcpy(target.scanLine(y), source.constScanLine(y), size_t(width) * 3);
                    recolourRow24(target.scanLine(y), width, choice);
                }
            }
        });
}

// Averages the tiles of tile rows [firstTileRow, endTileRow).
void mosaicTileRows(QImage& picture, int tw, int th, const QRect& rect, int firstTileRow,
                    int endTileRow)
{
    const int columns = (rect.width() + tw - 1) / tw;
    std::vector<std::array<quint64, 3>> sums(static_cast<size_t>(columns));
    for (int row = firstTileRow; row < endTileRow; ++row) {
        const int top = rect.y() + row * th;
        const int bottom = std::min(top + th, rect.y() + rect.height());
        std::fill(sums.begin(), sums.end(), std::array<quint64, 3>{});
        for (int y = top; y < bottom; ++y) {
            const uchar* p = picture.constScanLine(y) + rect.x() * 3;
            for (int c = 0; c < columns; ++c) {
                const int tileWidth = std::min(tw, rect.width() - c * tw);
                quint64 b = 0, g = 0, r = 0;
                for (int x = 0; x < tileWidth; ++x, p += 3) {
                    b += p[0];
                    g += p[1];
                    r += p[2];
                }
                auto& sum = sums[size_t(c)];
                sum[0] += b;
                sum[1] += g;
                sum[2] += r;
            }
        }
        std::vector<std::array<uchar, 3>> averages(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const int tileWidth = std::min(tw, rect.width() - c * tw);
            const quint64 count = quint64(tileWidth) * quint64(bottom - top);
            for (int channel = 0; channel < 3; ++channel) // halves round up
                averages[size_t(c)][size_t(channel)] =
                    uchar((2 * sums[size_t(c)][size_t(channel)] + count) / (2 * count));
        }
        for (int y = top; y < bottom; ++y) {
            uchar* p = picture.scanLine(y) + rect.x() * 3;
            for (int c = 0; c < columns; ++c) {
                const int tileWidth = std::min(tw, rect.width() - c * tw);
                const auto& average = averages[size_t(c)];
                for (int x = 0; x < tileWidth; ++x, p += 3) {
                    p[0] = average[0];
                    p[1] = average[1];
                    p[2] = average[2];
                }
            }
        }
    }
}

// Copies `part` onto `picture` at `at`, converted to the picture's format.
void paste(QImage& picture, const QImage& part, QPoint at)
{
    const QImage source = part.convertToFormat(picture.format());
    const int step = bytesPerPixel(picture);
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(picture.scanLine(at.y() + y) + at.x() * step, source.constScanLine(y),
                    size_t(source.width() * step));
}

void applyFilter(QImage& picture, FilterKind kind, int parameter)
{
    if (kind == FilterKind::Mosaic)
        MosaicKernel(picture, parameter, parameter, picture.rect());
    else
        ColourKernel(picture, parameter);
}

} // namespace

void MosaicKernel(QImage& picture, int tw, int th, QRect rect)
{
    if (tw <= 0 || th <= 0 || (tw == 1 && th == 1) || rect.width() == 0 || rect.height() == 0)
        return;
    rect = rect.normalized() & picture.rect();
    if (rect.isEmpty())
        return;
    if (picture.format() != QImage::Format_BGR888)
        picture = picture.convertToFormat(QImage::Format_BGR888);
    const int tileRows = (rect.height() + th - 1) / th;
    RunRowBands(tileRows, RowBandThreads(qint64(rect.width()) * rect.height()),
                [&](int first, int end) { mosaicTileRows(picture, tw, th, rect, first, end); });
}

void ColourKernel(QImage& picture, int choice)
{
    if (choice < ColourNegative || choice > ColourGrey || picture.isNull())
        return;
    toEditableFormat(picture);
    recolour(picture, picture, choice);
}

QImage ApplyAreaFilter(const QImage& view, FilterKind kind, int parameter,
                       const std::optional<QRect>& selection, bool outside)
{
    if (!selection && kind == FilterKind::Colour && view.format() == QImage::Format_RGB32 &&
        parameter >= ColourNegative && parameter <= ColourGrey) {
        // The whole picture in one pass from the view, without copying it first.
        QImage recoloured(view.size(), view.format());
        recolour(view, recoloured, parameter);
        return recoloured;
    }
    // A mosaic over the whole picture leaves it at 24 bits: convert while copying.
    const bool wholeMosaic = kind == FilterKind::Mosaic && (!selection || outside);
    QImage work = wholeMosaic ? view.convertToFormat(QImage::Format_BGR888) : view.copy();
    toEditableFormat(work);
    if (!selection) {
        applyFilter(work, kind, parameter);
        return work;
    }
    const QRect area = *selection & work.rect();
    QImage inside = work.copy(area);
    if (outside) {
        applyFilter(work, kind, parameter);
    } else {
        applyFilter(inside, kind, parameter);
    }
    paste(work, inside, area.topLeft());
    return work;
}

} // namespace vistrel
