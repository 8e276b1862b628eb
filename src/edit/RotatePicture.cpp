#include "edit/RotatePicture.h"

#include "edit/ResamplePicture.h"
#include "edit/RowParallel.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <vector>

namespace vistrel {

namespace {

// The mapping from one destination pixel to the next, and from one row to the next.
struct RotateWalk {
    double c = 0;
    double s = 0;
    double startX = 0;
    double startY = 0;
    double rowAdvanceX = 0;
    double rowAdvanceY = 0;
    int width = 0;
};

// Takes n steps of one row's walk at once when x and all its results stay inside one binade
// whose rounding of `step` is no tie: then every step adds the same multiple of the ulp.
bool JumpInsideBinade(double& x, double step, long long& n)
{
    constexpr long long kLow = 1LL << 52;
    constexpr long long kHigh = 1LL << 53;
    const double y = x + step;
    if (!(std::fabs(x) >= DBL_MIN) || !(std::fabs(y) >= DBL_MIN) ||
        std::signbit(x) != std::signbit(y)) {
        return false;
    }
    int ex = 0;
    int ey = 0;
    std::frexp(x, &ex);
    std::frexp(y, &ey);
    if (ex != ey) {
        return false;
    }
    const double ulp = std::ldexp(1.0, ex - 53);
    const double yStep = y - x; // exact: both on the binade's grid
    const double roundingError = step - yStep;
    if (std::fabs(roundingError) == ulp / 2) {
        return false; // ties go to the even neighbour, which alternates
    }
    const long long a = static_cast<long long>(std::fabs(x) / ulp);
    const long long b = static_cast<long long>(std::fabs(y) / ulp);
    const long long d = b - a;
    if (b < kLow + 1 || b > kHigh - 1) {
        return false; // the exact sum might have left the binade
    }
    long long further = n - 1;
    if (d > 0) {
        further = std::min(further, (kHigh - 1 - b) / d);
    } else if (d < 0) {
        further = std::min(further, (b - kLow - 1) / -d);
    }
    const double magnitude = static_cast<double>(b + further * d) * ulp;
    x = std::signbit(x) ? -magnitude : magnitude;
    n -= 1 + further;
    return true;
}

int CubicChannel(double sum)
{
    return static_cast<int>(std::clamp(std::nearbyint(sum), 0.0, 255.0));
}

// The picture at the point (x, y) of its pixel grid (pixel k spans k .. k + 1), by the cubic
// kernel of the resize over the 4 x 4 pixels around it; taps beyond the picture read the
// background, so that the turned edges blend into it.
QRgb CubicSample(const std::vector<const QRgb*>& source, int width, double x, double y, QRgb fill)
{
    const double u = x - 0.5;
    const double v = y - 0.5;
    const int height = static_cast<int>(source.size());
    const int left = static_cast<int>(std::floor(u)) - 1;
    const int top = static_cast<int>(std::floor(v)) - 1;
    double wx[4];
    double wy[4];
    for (int n = 0; n < 4; ++n) {
        wx[n] = CubicWeight(std::fabs(u - (left + n)));
        wy[n] = CubicWeight(std::fabs(v - (top + n)));
    }
    const bool inside = left >= 0 && top >= 0 && left + 3 < width && top + 3 < height;
    double red = 0;
    double green = 0;
    double blue = 0;
    for (int r = 0; r < 4; ++r) {
        const int row = top + r;
        const bool rowInside = row >= 0 && row < height;
        for (int k = 0; k < 4; ++k) {
            const int column = left + k;
            const QRgb p = inside || (rowInside && column >= 0 && column < width)
                               ? source[static_cast<size_t>(row)][column]
                               : fill;
            const double weight = wx[k] * wy[r];
            red += qRed(p) * weight;
            green += qGreen(p) * weight;
            blue += qBlue(p) * weight;
        }
    }
    return 0xFF000000U | (QRgb(CubicChannel(red)) << 16) | (QRgb(CubicChannel(green)) << 8) |
           QRgb(CubicChannel(blue));
}

void RotateRows(const RotateWalk& walk, const std::vector<const QRgb*>& source, int sourceWidth,
                const std::vector<QRgb*>& destination, QRgb fill, int firstRow, int endRow,
                bool smooth)
{
    double x = walk.startX;
    double y = walk.startY;
    for (int j = 0; j < firstRow; ++j) {
        x = RepeatAdd(x, walk.c, walk.width) + walk.rowAdvanceX;
        y = RepeatAdd(y, -walk.s, walk.width) + walk.rowAdvanceY;
    }
    const double w = sourceWidth;
    const double h = static_cast<double>(source.size());
    for (int j = firstRow; j < endRow; ++j) {
        QRgb* out = destination[static_cast<size_t>(j)];
        for (int i = 0; i < walk.width; ++i) {
            // Nearest: floor(x) in 0..W-1 exactly when 0 <= x < W; truncation is floor there.
            if (smooth) {
                // Beyond two pixels of the picture every tap is background.
                const bool near = x > -1.5 && x < w + 1.5 && y > -1.5 && y < h + 1.5;
                out[i] = near ? CubicSample(source, sourceWidth, x, y, fill) : fill;
            } else if (x >= 0.0 && x < w && y >= 0.0 && y < h) {
                out[i] = source[static_cast<size_t>(y)][static_cast<int>(x)];
            } else {
                out[i] = fill;
            }
            x += walk.c;
            y -= walk.s;
        }
        x += walk.rowAdvanceX;
        y += walk.rowAdvanceY;
    }
}

// Destination pixel (i, j) reads source column x0 + stepX * i + rowX * j and row
// y0 + stepY * i + rowY * j.
struct WholeStepMap {
    long long x0 = 0;
    long long y0 = 0;
    int stepX = 0;
    int stepY = 0;
    int rowX = 0;
    int rowY = 0;
};

// How far the walked coordinate can stray from base + row * j + step * i over the picture:
// the per-pixel and per-row increments' distances from whole numbers, plus one rounding of at
// most half an ulp per addition. Doubled to cover the roundings of this estimate itself.
double WalkDrift(double base, double step, double advance, double width, double height,
                 int wholeStep, int wholeRow)
{
    const double magnitude = std::fabs(base) + width + height + 2;
    const double rowDrift = std::fabs(width * step + advance - wholeRow) +
                            DBL_EPSILON * (std::fabs(width * step) + std::fabs(advance) + 1);
    const double rounding = height * (width + 1) * DBL_EPSILON * magnitude;
    return 2 * (height * rowDrift + width * std::fabs(step - wholeStep) + rounding);
}

bool WholeStepsFit(double base, double drift, long long first, int step, int row, double width,
                   double height, long long size)
{
    const double fraction = base - std::floor(base);
    if (!(drift < 0.25) || fraction < 0.25 || fraction > 0.75 || std::abs(step) > 1 ||
        std::abs(row) > 1) {
        return false;
    }
    const long long alongRow = static_cast<long long>(step * (width - 1));
    const long long downRows = static_cast<long long>(row * (height - 1));
    const long long lowest = first + std::min(0LL, alongRow) + std::min(0LL, downRows);
    const long long highest = first + std::max(0LL, alongRow) + std::max(0LL, downRows);
    return lowest >= 0 && highest < size;
}

// Quarter turns sample every pixel centre within a tiny, boundable error, so every sample's
// floor is known in advance; when the bound proves it, the walk becomes a plain copy.
std::optional<WholeStepMap> FindWholeSteps(const RotateWalk& walk, int height, int sourceWidth,
                                           int sourceHeight)
{
    const double w = walk.width;
    const double h = height;
    if (!(std::fabs(walk.startX) < 1e15 && std::fabs(walk.startY) < 1e15)) {
        return std::nullopt;
    }
    WholeStepMap map;
    map.stepX = static_cast<int>(std::nearbyint(walk.c));
    map.stepY = static_cast<int>(std::nearbyint(-walk.s));
    map.rowX = static_cast<int>(std::nearbyint(w * walk.c + walk.rowAdvanceX));
    map.rowY = static_cast<int>(std::nearbyint(-w * walk.s + walk.rowAdvanceY));
    map.x0 = static_cast<long long>(std::floor(walk.startX));
    map.y0 = static_cast<long long>(std::floor(walk.startY));
    const double driftX =
        WalkDrift(walk.startX, walk.c, walk.rowAdvanceX, w, h, map.stepX, map.rowX);
    const double driftY =
        WalkDrift(walk.startY, -walk.s, walk.rowAdvanceY, w, h, map.stepY, map.rowY);
    if (!WholeStepsFit(walk.startX, driftX, map.x0, map.stepX, map.rowX, w, h, sourceWidth) ||
        !WholeStepsFit(walk.startY, driftY, map.y0, map.stepY, map.rowY, w, h, sourceHeight)) {
        return std::nullopt;
    }
    return map;
}

// The copy in 64 x 64 tiles, so that a quarter turn reads each source cache line once.
void CopyWholeSteps(const WholeStepMap& map, const QRgb* source, long long sourceStride,
                    const std::vector<QRgb*>& destination, int width, int firstRow, int endRow)
{
    constexpr int kTile = 64;
    const long long along = map.stepY * sourceStride + map.stepX;
    for (int top = firstRow; top < endRow; top += kTile) {
        const int bottom = std::min(endRow, top + kTile);
        for (int left = 0; left < width; left += kTile) {
            const int right = std::min(width, left + kTile);
            for (int j = top; j < bottom; ++j) {
                const long long start =
                    (map.y0 + static_cast<long long>(map.rowY) * j) * sourceStride + map.x0 +
                    static_cast<long long>(map.rowX) * j;
                const QRgb* in = source + start + along * left;
                QRgb* out = destination[static_cast<size_t>(j)];
                for (int i = left; i < right; ++i) {
                    out[i] = *in;
                    in += along;
                }
            }
        }
    }
}

} // namespace

QRgb PixelFromColorRef(quint32 colorRef)
{
    return ((colorRef & 0xFFU) << 16) | (colorRef & 0xFF00U) | ((colorRef >> 16) & 0xFFU);
}

double RepeatAdd(double x, double step, long long n)
{
    while (n > 0) {
        if (!std::isfinite(x)) {
            return x + step;
        }
        if (!JumpInsideBinade(x, step, n)) {
            x += step;
            --n;
        }
    }
    return x;
}

QImage RotatePicture(const QImage& bitmap, int degrees, QRgb fill)
{
    if (bitmap.isNull()) {
        return {};
    }
    // The canvas only grows, so its area bounds the work from above well enough.
    const long long pixels = 2LL * bitmap.width() * bitmap.height();
    return RotatePicture(bitmap, degrees, fill, RowBandThreads(pixels));
}

QImage RotatePicture(const QImage& bitmap, int degrees, QRgb fill, int threads)
{
    if (bitmap.isNull()) {
        return {};
    }
    const QImage source = bitmap.convertToFormat(QImage::Format_RGB32);
    const double w = source.width();
    const double h = source.height();

    RotateWalk walk;
    const double theta = degrees * std::numbers::pi / 180.0;
    walk.c = std::cos(theta);
    walk.s = std::sin(theta);
    const double newW = std::nearbyint(std::fabs(walk.c * w) + std::fabs(walk.s * h));
    const double newH = std::nearbyint(std::fabs(walk.s * w) + std::fabs(walk.c * h));
    walk.startX = w / 2 - walk.c * (newW / 2 - 0.5) - walk.s * (newH / 2 - 0.5);
    walk.startY = h / 2 + walk.s * (newW / 2 - 0.5) - walk.c * (newH / 2 - 0.5);
    walk.rowAdvanceX = walk.s - walk.c * newW;
    walk.rowAdvanceY = walk.c + walk.s * newW;
    walk.width = static_cast<int>(newW);

    QImage result(walk.width, static_cast<int>(newH), QImage::Format_RGB32);
    if (result.isNull()) {
        throw std::runtime_error("イメージを回転するためのメモリが不足しています。");
    }
    std::vector<const QRgb*> sourceRows(static_cast<size_t>(source.height()));
    for (int r = 0; r < source.height(); ++r) {
        sourceRows[static_cast<size_t>(r)] = reinterpret_cast<const QRgb*>(source.constScanLine(r));
    }
    std::vector<QRgb*> resultRows(static_cast<size_t>(result.height()));
    for (int r = 0; r < result.height(); ++r) {
        resultRows[static_cast<size_t>(r)] = reinterpret_cast<QRgb*>(result.scanLine(r));
    }
    // Qt keeps the unused fourth byte of a 32-bit pixel at 0xFF.
    const QRgb fillPixel = 0xFF000000U | (fill & 0x00FFFFFFU);
    const std::optional<WholeStepMap> wholeSteps =
        degrees % 90 == 0 ? FindWholeSteps(walk, result.height(), source.width(), source.height())
                          : std::nullopt;
    if (wholeSteps) {
        const auto* bits = reinterpret_cast<const QRgb*>(source.constBits());
        const long long stride = source.bytesPerLine() / static_cast<long long>(sizeof(QRgb));
        RunRowBands(result.height(), threads, [&](int first, int end) {
            CopyWholeSteps(*wholeSteps, bits, stride, resultRows, walk.width, first, end);
        });
        return result;
    }
    RunRowBands(result.height(), threads, [&](int first, int end) {
        RotateRows(walk, sourceRows, source.width(), resultRows, fillPixel, first, end,
                   degrees % 90 != 0);
    });
    return result;
}

} // namespace vistrel
