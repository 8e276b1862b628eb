#include "edit/RotatePicture.h"

#include "edit/RowParallel.h"

#include <cfloat>
#include <cmath>
#include <numbers>
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

void RotateRows(const RotateWalk& walk, const std::vector<const QRgb*>& source, int sourceWidth,
                const std::vector<QRgb*>& destination, QRgb fill, int firstRow, int endRow)
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
            // floor(x) in 0..W-1 exactly when 0 <= x < W; truncation is floor there.
            if (x >= 0.0 && x < w && y >= 0.0 && y < h) {
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
    RunRowBands(result.height(), threads, [&](int first, int end) {
        RotateRows(walk, sourceRows, source.width(), resultRows, fillPixel, first, end);
    });
    return result;
}

} // namespace vistrel
