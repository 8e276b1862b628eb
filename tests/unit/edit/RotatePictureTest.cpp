#include "edit/RotatePicture.h"
#include "edit/ResamplePicture.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <cmath>
#include <vector>

using namespace vistrel;

namespace {

constexpr QRgb kWhite = 0x00FFFFFF;

// A picture whose pixel (x, y) is 0xFF000000 | (y * width + x + 1): every pixel is unique.
QImage Numbered(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, 0xFF000000U | static_cast<QRgb>(y * width + x + 1));
        }
    }
    return image;
}

// The source index (y * width + x) each destination pixel came from, -1 for fill.
std::vector<std::vector<int>> SourceIndices(const QImage& image)
{
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::vector<int> row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            row.push_back(p == 0xFFFFFFFFU ? -1 : static_cast<int>(p & 0xFFFFFFU) - 1);
        }
        rows.push_back(row);
    }
    return rows;
}

QImage RandomPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            line[x] = 0xFF000000U | (random.generate() & 0xFFFFFFU);
        }
    }
    return image;
}

// The cubic sample at (x, y) of the pixel grid, written out: the 4 x 4 pixels around the
// point, those beyond the picture taken as the background.
QRgb CubicAt(const QImage& source, double x, double y, QRgb fill)
{
    const double u = x - 0.5;
    const double v = y - 0.5;
    const int left = static_cast<int>(std::floor(u)) - 1;
    const int top = static_cast<int>(std::floor(v)) - 1;
    double sum[3] = {};
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) {
            const QPoint at(left + k, top + r);
            const QRgb p = source.rect().contains(at) ? source.pixel(at) : fill;
            const double weight =
                CubicWeight(std::fabs(u - (left + k))) * CubicWeight(std::fabs(v - (top + r)));
            sum[0] += qRed(p) * weight;
            sum[1] += qGreen(p) * weight;
            sum[2] += qBlue(p) * weight;
        }
    const auto channel = [](double value) {
        return static_cast<int>(std::clamp(std::nearbyint(value), 0.0, 255.0));
    };
    return qRgb(channel(sum[0]), channel(sum[1]), channel(sum[2]));
}

// The inverse mapping walked pixel by pixel as written, with no shortcut, for the kernel's
// shortcuts to match bit for bit.
QImage Walked(const QImage& source, int degrees, QRgb fill)
{
    const double w = source.width();
    const double h = source.height();
    const double theta = degrees * 3.14159265358979323846 / 180.0;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const double newW = std::nearbyint(std::fabs(c * w) + std::fabs(s * h));
    const double newH = std::nearbyint(std::fabs(s * w) + std::fabs(c * h));
    QImage result(static_cast<int>(newW), static_cast<int>(newH), QImage::Format_RGB32);
    double x = w / 2 - c * (newW / 2 - 0.5) - s * (newH / 2 - 0.5);
    double y = h / 2 + s * (newW / 2 - 0.5) - c * (newH / 2 - 0.5);
    for (int j = 0; j < result.height(); ++j) {
        for (int i = 0; i < result.width(); ++i) {
            if (degrees % 90 != 0) {
                result.setPixel(i, j, CubicAt(source, x, y, 0xFF000000U | fill));
                x += c;
                y -= s;
                continue;
            }
            const double column = std::floor(x);
            const double row = std::floor(y);
            const bool inside = column >= 0 && column < w && row >= 0 && row < h;
            result.setPixel(i, j,
                            inside ? source.pixel(static_cast<int>(column), static_cast<int>(row))
                                   : 0xFF000000U | fill);
            x += c;
            y -= s;
        }
        x += s - c * newW;
        y += c + s * newW;
    }
    return result;
}

} // namespace

TEST(RotatePicture, QuarterTurnsMoveEveryPixelAndAddNoFill)
{
    // 0 1 2
    // 3 4 5
    const QImage source = Numbered(3, 2);
    const QImage right = RotatePicture(source, 90, kWhite);
    EXPECT_EQ(right.format(), QImage::Format_RGB32);
    EXPECT_EQ(SourceIndices(right), (std::vector<std::vector<int>>{{3, 0}, {4, 1}, {5, 2}}));
    EXPECT_EQ(SourceIndices(RotatePicture(source, 180, kWhite)),
              (std::vector<std::vector<int>>{{5, 4, 3}, {2, 1, 0}}));
    EXPECT_EQ(SourceIndices(RotatePicture(source, 270, kWhite)),
              (std::vector<std::vector<int>>{{2, 5}, {1, 4}, {0, 3}}));
    EXPECT_EQ(RotatePicture(source, 360, kWhite), source);
}

TEST(RotatePicture, QuarterTurnsOfALargePictureAreExact)
{
    const QImage source = RandomPicture(641, 479);
    const QImage back = RotatePicture(RotatePicture(source, 90, kWhite), 270, kWhite);
    EXPECT_EQ(back, source);
    EXPECT_EQ(RotatePicture(RotatePicture(source, 180, kWhite), 180, kWhite), source);
    const QImage turned = RotatePicture(source, 90, kWhite);
    EXPECT_EQ(turned.pixel(0, 0), source.pixel(0, 478));
    EXPECT_EQ(turned.pixel(478, 640), source.pixel(640, 0));
}

TEST(RotatePicture, FortyFiveDegreesGrowsTheCanvasAndFillsTheCornersWhite)
{
    QImage source(40, 20, QImage::Format_RGB32);
    source.fill(0xFF102030U);
    const QImage result = RotatePicture(source, 45, PixelFromColorRef(0x1FFFFFFF));
    // round(0.7071 * 40 + 0.7071 * 20) = round(42.43) both ways
    EXPECT_EQ(result.size(), QSize(42, 42));
    for (const QPoint corner : {QPoint(0, 0), QPoint(41, 0), QPoint(0, 41), QPoint(41, 41)}) {
        EXPECT_EQ(result.pixel(corner), 0xFFFFFFFFU) << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(result.pixel(21, 21), 0xFF102030U);
}

TEST(RotatePicture, ThirtyDegreesBlendsTheEdgesIntoTheBackground)
{
    QImage source(40, 20, QImage::Format_RGB32);
    source.fill(0xFF000000U);
    const QImage result = RotatePicture(source, 30, kWhite);
    const QPoint centre(result.width() / 2, result.height() / 2);
    EXPECT_EQ(result.pixel(centre), 0xFF000000U); // inside, the weights add up to one
    EXPECT_EQ(result.pixel(0, 0), 0xFFFFFFFFU);
    // Across the edge the row goes through greys, where the nearest pixel jumped.
    int greys = 0;
    for (int x = 0; x < centre.x(); ++x)
        greys += qRed(result.pixel(x, centre.y())) > 20 && qRed(result.pixel(x, centre.y())) < 235;
    EXPECT_GE(greys, 1);
}

TEST(RotatePicture, TakesOtherFormatsAndTheFillColour)
{
    QImage source(40, 30, QImage::Format_BGR888);
    source.fill(QColor(1, 2, 3));
    const QImage result = RotatePicture(source, 45, PixelFromColorRef(0x00332211));
    EXPECT_EQ(result.format(), QImage::Format_RGB32);
    EXPECT_EQ(result.pixel(0, 0), 0xFF112233U);
    EXPECT_EQ(PixelFromColorRef(0x1FFFFFFF), 0x00FFFFFFU);
    EXPECT_TRUE(RotatePicture(QImage(), 90, kWhite).isNull());
}

TEST(RotatePicture, BandsOnThreadsGiveTheSamePicture)
{
    const QImage source = RandomPicture(997, 613);
    for (const int degrees : {30, 33, 60, 90, 135, 211, 359}) {
        const QImage single = RotatePicture(source, degrees, kWhite, 1);
        EXPECT_EQ(RotatePicture(source, degrees, kWhite, 2), single) << degrees;
        EXPECT_EQ(RotatePicture(source, degrees, kWhite, 3), single) << degrees;
    }
}

TEST(RepeatAdd, MatchesAddingStepByStep)
{
    const double steps[] = {0.5000000000000001,
                            -0.8660254037844386,
                            6.123233995736766e-17,
                            -1.8369701987210297e-16,
                            0.7071067811865476,
                            0.1,
                            -0.3,
                            1.0,
                            0.0};
    const double starts[] = {0.5, -0.49999999999999994, 1000.25, -1234.5678, 3.0e-9, 0.0, 17.0};
    for (const double step : steps) {
        for (const double start : starts) {
            double x = start;
            for (long long n = 0; n <= 5000; ++n) {
                if (n % 97 == 0 || n < 40) {
                    ASSERT_EQ(RepeatAdd(start, step, n), x) << start << " + " << n << " x " << step;
                }
                x += step;
            }
        }
    }
}

TEST(RotatePicture, MatchesThePlainWalkForQuarterTurnsOfAnySize)
{
    const QSize sizes[] = {{1, 1},   {1, 9},   {9, 1},   {2, 2},   {2, 3},    {64, 64},
                           {65, 63}, {127, 1}, {1, 300}, {200, 7}, {641, 479}};
    for (const QSize size : sizes) {
        const QImage source = RandomPicture(size.width(), size.height());
        for (const int degrees : {90, 180, 270, 360}) {
            const QImage walked = Walked(source, degrees, kWhite);
            EXPECT_EQ(RotatePicture(source, degrees, kWhite, 1), walked)
                << size.width() << "x" << size.height() << " at " << degrees;
            EXPECT_EQ(RotatePicture(source, degrees, kWhite, 3), walked)
                << size.width() << "x" << size.height() << " at " << degrees;
        }
    }
    // Square-ish sizes from 1 to 40 both ways cover every parity and tile remainder.
    for (int width = 1; width <= 40; width += 3) {
        for (int height = 1; height <= 40; height += 2) {
            const QImage source = RandomPicture(width, height);
            for (const int degrees : {90, 180, 270}) {
                ASSERT_EQ(RotatePicture(source, degrees, kWhite), Walked(source, degrees, kWhite))
                    << width << "x" << height << " at " << degrees;
            }
        }
    }
}

TEST(RotatePicture, MatchesThePlainWalkForOtherAngles)
{
    const QImage source = RandomPicture(53, 31);
    for (const int degrees : {1, 33, 45, 89, 91, 179, 181, 269, 271, 359}) {
        EXPECT_EQ(RotatePicture(source, degrees, kWhite, 2), Walked(source, degrees, kWhite))
            << degrees;
    }
}
