#include "edit/filters/GaussianBlur.h"

#include "edit/RowParallel.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vistrel {

namespace {

constexpr int kBoxPasses = 3;
constexpr int kChannels = 4;
// Strong enough to make any text unreadable; bounds the division table and the margin.
constexpr double kMaxSigma = 200.0;

// One box of odd width: its radius and, for every sum of `width` channel values, the
// rounded mean (a table is exact and faster than dividing per channel).
struct Box {
    explicit Box(int width) : radius(width / 2), means(static_cast<size_t>(255 * width + 1))
    {
        for (size_t sum = 0; sum < means.size(); ++sum) {
            means[sum] = static_cast<uchar>((sum + static_cast<size_t>(width) / 2) / width);
        }
    }
    int radius;
    std::vector<uchar> means;
};

// The rows or columns of a 32-bit picture held outside QImage, so worker threads never
// touch QImage's shared data.
struct Pixels {
    explicit Pixels(QImage& image)
        : bits(image.bits())
        , stride(image.bytesPerLine())
        , width(image.width())
        , height(image.height())
    {}
    uchar* row(int y) const { return bits + static_cast<qsizetype>(y) * stride; }
    uchar* bits;
    qsizetype stride;
    int width;
    int height;
};

// Box pass along each row of [firstRow, endRow), edges repeated outwards.
void BoxAcross(const Pixels& from, const Pixels& to, const Box& box, int firstRow, int endRow)
{
    const int last = from.width - 1;
    const int r = box.radius;
    for (int y = firstRow; y < endRow; ++y) {
        const uchar* source = from.row(y);
        uchar* target = to.row(y);
        int sum[kChannels];
        for (int c = 0; c < kChannels; ++c) {
            sum[c] = (r + 1) * source[c];
            for (int i = 1; i <= r; ++i) {
                sum[c] += source[kChannels * std::min(i, last) + c];
            }
        }
        for (int x = 0; x <= last; ++x) {
            const uchar* entering = source + kChannels * std::min(x + r + 1, last);
            const uchar* leaving = source + kChannels * std::max(x - r, 0);
            for (int c = 0; c < kChannels; ++c) {
                target[kChannels * x + c] = box.means[static_cast<size_t>(sum[c])];
                sum[c] += entering[c] - leaving[c];
            }
        }
    }
}

// Box pass down the columns [firstColumn, endColumn), streaming whole rows so that memory
// is read in order; edges repeated outwards.
void BoxDown(const Pixels& from, const Pixels& to, const Box& box, int firstColumn, int endColumn)
{
    const int last = from.height - 1;
    const int r = box.radius;
    const int offset = kChannels * firstColumn;
    const int count = kChannels * (endColumn - firstColumn);
    std::vector<int> sums(static_cast<size_t>(count));
    const uchar* top = from.row(0) + offset;
    for (int k = 0; k < count; ++k) {
        sums[static_cast<size_t>(k)] = (r + 1) * top[k];
    }
    for (int i = 1; i <= r; ++i) {
        const uchar* line = from.row(std::min(i, last)) + offset;
        for (int k = 0; k < count; ++k) {
            sums[static_cast<size_t>(k)] += line[k];
        }
    }
    for (int y = 0; y <= last; ++y) {
        uchar* target = to.row(y) + offset;
        const uchar* entering = from.row(std::min(y + r + 1, last)) + offset;
        const uchar* leaving = from.row(std::max(y - r, 0)) + offset;
        for (int k = 0; k < count; ++k) {
            int& sum = sums[static_cast<size_t>(k)];
            target[k] = box.means[static_cast<size_t>(sum)];
            sum += entering[k] - leaving[k];
        }
    }
}

// Blurs a 32-bit picture in place, using `spare` (same size and format) between passes.
void BlurInPlace(QImage& picture, QImage& spare, const std::array<int, 3>& widths, int threads)
{
    const Pixels a(picture);
    const Pixels b(spare);
    const Pixels* from = &a;
    const Pixels* to = &b;
    for (int width : widths) {
        const Box box(width);
        RunRowBands(a.height, threads,
                    [&](int first, int end) { BoxAcross(*from, *to, box, first, end); });
        std::swap(from, to);
    }
    for (int width : widths) {
        const Box box(width);
        RunRowBands(a.width, threads,
                    [&](int first, int end) { BoxDown(*from, *to, box, first, end); });
        std::swap(from, to);
    }
    // An even number of passes ends in `picture`.
}

// The format the result keeps: the picture's own where it holds whole bytes per pixel of at
// least 24 bits; 32 bits otherwise (a palette cannot hold the blended colours).
QImage::Format KeptFormat(const QImage& picture)
{
    if (picture.depth() >= 24) {
        return picture.format();
    }
    return picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

} // namespace

std::array<int, 3> BoxWidthsForSigma(double sigma)
{
    sigma = std::clamp(sigma, 0.0, kMaxSigma);
    const double variance12 = 12.0 * sigma * sigma;
    const double ideal = std::sqrt(variance12 / kBoxPasses + 1.0);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0) {
        --lower;
    }
    lower = std::max(lower, 1);
    const double lowerCount =
        (variance12 - kBoxPasses * lower * lower - 4.0 * kBoxPasses * lower - 3.0 * kBoxPasses) /
        (-4.0 * lower - 4.0);
    const int count = std::clamp(static_cast<int>(std::lround(lowerCount)), 0, kBoxPasses);
    std::array<int, 3> widths{};
    for (int i = 0; i < kBoxPasses; ++i) {
        widths[static_cast<size_t>(i)] = i < count ? lower : lower + 2;
    }
    return widths;
}

QImage GaussianBlurred(const QImage& picture, QRect area, double sigma, int threads)
{
    QImage result = picture.convertToFormat(KeptFormat(picture));
    area &= picture.rect();
    const std::array<int, 3> widths = BoxWidthsForSigma(sigma);
    int margin = 0;
    for (int width : widths) {
        margin += width / 2;
    }
    if (area.isEmpty() || margin == 0) {
        return result;
    }
    // Every pixel of the area sees at most `margin` pixels away: blurring a crop that wide
    // gives the same area as blurring the whole picture.
    const QRect crop = area.adjusted(-margin, -margin, margin, margin) & picture.rect();
    const QImage::Format working =
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage blurred = picture.copy(crop).convertToFormat(working);
    QImage spare(blurred.size(), working);
    if (threads <= 0) {
        threads = RowBandThreads(static_cast<long long>(crop.width()) * crop.height());
    }
    BlurInPlace(blurred, spare, widths, threads);

    const QImage kept = blurred.convertToFormat(result.format());
    const int bytesPerPixel = result.depth() / 8;
    const QPoint inCrop = area.topLeft() - crop.topLeft();
    for (int y = 0; y < area.height(); ++y) {
        std::copy_n(kept.constScanLine(inCrop.y() + y) + inCrop.x() * bytesPerPixel,
                    area.width() * bytesPerPixel,
                    result.scanLine(area.y() + y) + area.x() * bytesPerPixel);
    }
    return result;
}

} // namespace vistrel
