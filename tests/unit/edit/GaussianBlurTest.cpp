#include "edit/filters/GaussianBlur.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

using namespace vistrel;

namespace {

QImage noise(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000U);
    return image.convertToFormat(format);
}

// One box pass the plain way: every output pixel sums its window, coordinates clamped.
QImage boxPass(const QImage& source, int width, bool across)
{
    QImage out = source;
    const int r = width / 2;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            int sum[4] = {};
            for (int i = -r; i <= r; ++i) {
                const int sx = across ? std::clamp(x + i, 0, source.width() - 1) : x;
                const int sy = across ? y : std::clamp(y + i, 0, source.height() - 1);
                const QRgb p = source.pixel(sx, sy);
                sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), sum[3] += qAlpha(p);
            }
            const auto mean = [width](int s) { return (s + width / 2) / width; };
            out.setPixel(x, y, qRgba(mean(sum[0]), mean(sum[1]), mean(sum[2]), mean(sum[3])));
        }
    return out;
}

QImage referenceBlur(const QImage& source, double sigma)
{
    QImage image = source;
    for (bool across : {true, false})
        for (int width : BoxWidthsForSigma(sigma))
            image = boxPass(image, width, across);
    return image;
}

} // namespace

TEST(GaussianBlur, BoxWidthsAreOddAndAddUpToTheGaussiansVariance)
{
    EXPECT_EQ(BoxWidthsForSigma(0), (std::array<int, 3>{1, 1, 1}));
    for (double sigma : {0.8, 2.0, 3.5, 8.0, 25.0}) {
        double variance = 0;
        for (int width : BoxWidthsForSigma(sigma)) {
            EXPECT_EQ(width % 2, 1) << sigma;
            variance += (width * width - 1) / 12.0;
        }
        EXPECT_NEAR(variance, sigma * sigma, 2.0 * sigma) << sigma;
    }
}

TEST(GaussianBlur, MatchesThePlainPassesOnTheAreaOnlyWithAnyThreadCount)
{
    const QImage source = noise(41, 29);
    const QImage whole = referenceBlur(source, 2.5);
    EXPECT_EQ(GaussianBlurred(source, source.rect(), 2.5, 1), whole);
    EXPECT_EQ(GaussianBlurred(source, source.rect(), 2.5, 3), whole);

    // A part: inside it the same pixels as blurring everything, outside it untouched.
    const QRect area(5, 20, 30, 9);
    const QImage part = GaussianBlurred(source, area, 2.5, 2);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            ASSERT_EQ(part.pixel(x, y), (area.contains(x, y) ? whole : source).pixel(x, y))
                << x << "," << y;
}

TEST(GaussianBlur, FlatColourStaysFlatToTheBorderAndFormatIsKept)
{
    QImage flat(64, 48, QImage::Format_RGB888);
    flat.fill(qRgb(12, 200, 99));
    const QImage blurred = GaussianBlurred(flat, QRect(-10, -10, 200, 200), 9);
    EXPECT_EQ(blurred, flat);
    EXPECT_EQ(blurred.format(), QImage::Format_RGB888);

    // A palette cannot hold blended colours: the blur comes back in 32 bits.
    EXPECT_EQ(GaussianBlurred(noise(8, 8, QImage::Format_Indexed8), QRect(0, 0, 8, 8), 2).depth(),
              32);
}

TEST(GaussianBlur, FollowsTheGaussianAcrossAStepAndKeepsHiddenColourOut)
{
    const double sigma = 5;
    QImage step(200, 3, QImage::Format_RGB32);
    for (int x = 0; x < step.width(); ++x)
        for (int y = 0; y < step.height(); ++y)
            step.setPixel(x, y, x < 100 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    const QImage blurred = GaussianBlurred(step, step.rect(), sigma);
    for (int x = 80; x < 120; ++x) {
        const double expected = 255 * 0.5 * std::erfc(-(x + 0.5 - 100) / (sigma * std::sqrt(2.0)));
        EXPECT_NEAR(qRed(blurred.pixel(x, 1)), expected, 4.0) << x;
    }

    // Transparent pixels keep their colour channels out of the blend.
    QImage layered(40, 4, QImage::Format_ARGB32);
    for (int x = 0; x < layered.width(); ++x)
        for (int y = 0; y < layered.height(); ++y)
            layered.setPixel(x, y, x < 20 ? qRgba(255, 0, 0, 0) : qRgba(0, 0, 255, 255));
    const QImage mixed = GaussianBlurred(layered, layered.rect(), 3);
    for (int x = 15; x < 25; ++x)
        EXPECT_EQ(qRed(mixed.pixel(x, 2)), 0) << x;
}
