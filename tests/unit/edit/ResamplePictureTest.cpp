#include "edit/ResamplePicture.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cmath>

using namespace vistrel;

namespace {

QImage RandomPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            line[x] = 0xFF000000U | (random.generate() & 0xFFFFFFU);
        }
    }
    return image;
}

// Bytes blue, green, red of pixel (x, y) of a 24-bit picture.
std::array<int, 3> Bgr(const QImage& image, int x, int y)
{
    const uchar* p = image.constScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

// The convolution written out per pixel and channel, the plainest way, for the fast kernel to
// match bit for bit.
QImage Convolved(const QImage& bitmap, int width, int height)
{
    const QImage source = bitmap.convertToFormat(QImage::Format_BGR888);
    QImage result(width, height, QImage::Format_BGR888);
    const double sx = static_cast<double>(source.width()) / width;
    const double sy = static_cast<double>(source.height()) / height;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            const double fx = i * sx;
            const double fy = j * sy;
            const int ix = static_cast<int>(fx);
            const int iy = static_cast<int>(fy);
            std::array<double, 3> sum{};
            for (int r = iy - 1; r <= iy + 2; ++r) {
                for (int k = ix - 1; k <= ix + 2; ++k) {
                    const int row = (r < 0 || r > source.height() - 1) ? iy : r;
                    const int column = (k < 0 || k > source.width() - 1) ? ix : k;
                    const double wx = CubicWeight(std::fabs(fx - k));
                    const double wy = CubicWeight(std::fabs(fy - r));
                    const uchar* p = source.constScanLine(row) + 3 * column;
                    for (size_t c = 0; c < 3; ++c) {
                        sum[c] += p[c] * wx * wy;
                    }
                }
            }
            uchar* out = result.scanLine(j) + 3 * i;
            for (size_t c = 0; c < 3; ++c) {
                out[c] = static_cast<uchar>(std::clamp(std::nearbyint(sum[c]), 0.0, 255.0));
            }
        }
    }
    return result;
}

} // namespace

TEST(ResamplePicture, SameSizeReproducesThePicture)
{
    const QImage source = RandomPicture(37, 23);
    const QImage result = ResamplePicture(source, 37, 23);
    EXPECT_EQ(result.format(), QImage::Format_BGR888);
    EXPECT_EQ(result, source.convertToFormat(QImage::Format_BGR888));
}

TEST(ResamplePicture, DoublesAsTheConvolutionSays)
{
    // Blue, green, red of a 3 x 2 picture.
    const std::array<std::array<std::array<int, 3>, 3>, 2> source{{
        {{{10, 200, 30}, {250, 0, 128}, {60, 90, 255}}},
        {{{0, 255, 100}, {128, 64, 32}, {200, 180, 5}}},
    }};
    // From a short Python script of the formula: fx = i * W / W', taps ix-1..ix+2 with weights
    // (d^2-d-1)(d-1) and -(d-1)(d-2)^2, out-of-range taps at ix/iy, Python's round (ties to
    // even: 86.5 -> 86, 147.5 -> 148, 194.5 -> 194, 217.5 -> 218), then clamped to 0..255.
    const std::array<std::array<std::array<int, 3>, 6>, 4> expected{{
        {{{10, 200, 30},
          {154, 89, 63},
          {250, 0, 128},
          {161, 31, 220},
          {60, 90, 255},
          {36, 101, 255}}},
        {{{4, 234, 74},
          {92, 124, 67},
          {174, 40, 68},
          {179, 82, 86},
          {148, 146, 99},
          {144, 160, 103}}},
        {{{0, 255, 100},
          {55, 145, 69},
          {128, 64, 32},
          {189, 113, 7},
          {200, 180, 5},
          {209, 194, 2}}},
        {{{0, 255, 109},
          {43, 152, 70},
          {113, 72, 20},
          {192, 123, 0},
          {218, 191, 0},
          {231, 206, 0}}},
    }};
    QImage picture(3, 2, QImage::Format_BGR888);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const auto& bgr = source[static_cast<size_t>(y)][static_cast<size_t>(x)];
            picture.setPixel(x, y, qRgb(bgr[2], bgr[1], bgr[0]));
        }
    }
    const QImage result = ResamplePicture(picture, 6, 4);
    ASSERT_EQ(result.size(), QSize(6, 4));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const auto& want = expected[static_cast<size_t>(y)][static_cast<size_t>(x)];
            EXPECT_EQ(Bgr(result, x, y), want) << x << "," << y;
        }
    }
}

TEST(ResamplePicture, WeightsOfTheKernel)
{
    EXPECT_DOUBLE_EQ(CubicWeight(0), 1);
    EXPECT_DOUBLE_EQ(CubicWeight(1), 0);
    EXPECT_DOUBLE_EQ(CubicWeight(2), 0);
    EXPECT_DOUBLE_EQ(CubicWeight(0.5), 0.625);
    EXPECT_DOUBLE_EQ(CubicWeight(1.5), -0.125);
}

TEST(ResamplePicture, ASideNeverVanishes)
{
    const QImage source = RandomPicture(1, 5);
    EXPECT_EQ(ResamplePicture(source, 0, 2).size(), QSize(1, 2));
    EXPECT_EQ(ResamplePicture(source, -3, 0).size(), QSize(1, 1));
    EXPECT_TRUE(ResamplePicture(QImage(), 10, 10).isNull());
}

TEST(ResamplePicture, BandsOnThreadsGiveTheSamePicture)
{
    const QImage source = RandomPicture(640, 360);
    for (const QSize size : {QSize(960, 540), QSize(480, 270), QSize(641, 359)}) {
        const QImage single = ResamplePicture(source, size.width(), size.height(), 1);
        EXPECT_EQ(ResamplePicture(source, size.width(), size.height(), 2), single);
        EXPECT_EQ(ResamplePicture(source, size.width(), size.height(), 3), single);
    }
}

TEST(ResamplePicture, MatchesThePlainConvolutionBitForBit)
{
    // Odd sizes, both directions, a width whose rows have no padding (4 x 3 bytes) and the
    // bottom-right pixel, whose taps end the picture's buffer.
    const QSize sources[] = {{1, 1}, {1, 7}, {7, 1}, {4, 4}, {37, 23}, {64, 31}};
    const QSize targets[] = {{1, 1}, {2, 3}, {5, 9}, {13, 7}, {48, 17}, {71, 45}, {3, 60}};
    for (const QSize from : sources) {
        const QImage source = RandomPicture(from.width(), from.height());
        for (const QSize to : targets) {
            if (to.width() < from.width() || to.height() < from.height())
                continue; // a shrinking side widens the kernel (below)
            EXPECT_EQ(ResamplePicture(source, to.width(), to.height()),
                      Convolved(source, to.width(), to.height()))
                << from.width() << "x" << from.height() << " -> " << to.width() << "x"
                << to.height();
        }
    }
    // Bright edges against dark ones overshoot, so the clamping at both ends is exercised.
    QImage stripes(9, 6, QImage::Format_RGB32);
    for (int x = 0; x < 9; ++x) {
        for (int y = 0; y < 6; ++y) {
            stripes.setPixel(x, y, (x + y) % 2 == 0 ? 0xFFFFFFFFU : 0xFF000000U);
        }
    }
    EXPECT_EQ(ResamplePicture(stripes, 14, 11), Convolved(stripes, 14, 11));
}

namespace {

// The widened kernel written out per pixel in doubles: a side of scale s > 1 takes every
// source pixel within 2 s of the destination pixel's centre, weighted CubicWeight(d / s),
// normalised; an enlarged side takes the plain four taps.
std::vector<std::pair<int, double>> SideTaps(int i, int destination, int source)
{
    std::vector<std::pair<int, double>> taps;
    const double scale = double(source) / destination;
    if (scale <= 1) {
        const double f = i * scale;
        const int base = int(f);
        for (int k = base - 1; k <= base + 2; ++k)
            taps.push_back({(k < 0 || k > source - 1) ? base : k, CubicWeight(std::fabs(f - k))});
        return taps;
    }
    const double centre = (i + 0.5) * scale - 0.5;
    double total = 0;
    for (int k = int(std::floor(centre - 2 * scale)); k <= int(std::ceil(centre + 2 * scale)); ++k)
        if (const double d = std::fabs(k - centre) / scale; d < 2) {
            taps.push_back({std::clamp(k, 0, source - 1), CubicWeight(d)});
            total += CubicWeight(d);
        }
    for (auto& tap : taps)
        tap.second /= total;
    return taps;
}

} // namespace

TEST(ResamplePicture, AShrinkingSideMatchesTheWidenedKernelAndKeepsThinLines)
{
    const QImage source = RandomPicture(64, 31);
    const QImage bgr = source.convertToFormat(QImage::Format_BGR888);
    for (const QSize to : {QSize(13, 7), QSize(48, 17), QSize(3, 60), QSize(1, 1), QSize(32, 31)}) {
        const QImage result = ResamplePicture(source, to.width(), to.height());
        int worst = 0;
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                for (size_t c = 0; c < 3; ++c) {
                    double sum = 0;
                    for (const auto& [row, wy] : SideTaps(y, to.height(), bgr.height()))
                        for (const auto& [column, wx] : SideTaps(x, to.width(), bgr.width()))
                            sum += bgr.constScanLine(row)[3 * column + c] * wx * wy;
                    const int expected = int(std::clamp(std::nearbyint(sum), 0.0, 255.0));
                    worst = std::max(worst, std::abs(Bgr(result, x, y)[c] - expected));
                }
        EXPECT_LE(worst, 1) << to.width() << "x" << to.height(); // float sums, one step at most
    }
    // One-pixel dark rows on white, as in text, at half size: every row keeps a trace of the
    // lines (the four-tap kernel saw only every second row and lost them or doubled them).
    QImage lines(40, 40, QImage::Format_RGB32);
    lines.fill(Qt::white);
    for (int y = 0; y < 40; y += 2)
        for (int x = 0; x < 40; ++x)
            lines.setPixel(x, y, qRgb(0, 0, 0));
    const QImage half = ResamplePicture(lines, 20, 20);
    for (int y = 2; y < 18; ++y) {
        const int grey = Bgr(half, 10, y)[0];
        EXPECT_GT(grey, 64) << y;
        EXPECT_LT(grey, 192) << y;
    }
}
