#include "edit/ResamplePicture.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <array>

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
