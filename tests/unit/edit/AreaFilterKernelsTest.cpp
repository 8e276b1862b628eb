#include "edit/filters/AreaFilterKernels.h"
#include "edit/filters/FilterCommands.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

QImage picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 10, y * 10, (x + y) & 1 ? 255 : 0));
    return image;
}

// The average of a block of the source, channel by channel, halves rounded up.
QRgb average(const QImage& source, const QRect& block)
{
    int r = 0, g = 0, b = 0;
    for (int y = block.top(); y <= block.bottom(); ++y)
        for (int x = block.left(); x <= block.right(); ++x) {
            r += qRed(source.pixel(x, y));
            g += qGreen(source.pixel(x, y));
            b += qBlue(source.pixel(x, y));
        }
    const int n = block.width() * block.height();
    return qRgb((2 * r + n) / (2 * n), (2 * g + n) / (2 * n), (2 * b + n) / (2 * n));
}

} // namespace

TEST(AreaFilterKernels, MosaicAveragesWholeAndPartialTiles)
{
    const QImage source = picture(10, 10);
    QImage tiles = source;
    MosaicKernel(tiles, 4, 4, tiles.rect());
    EXPECT_EQ(tiles.format(), QImage::Format_BGR888);
    // Tiles of 4, 4 and 2 across and down; the 2 x 2 corner on its own four pixels.
    for (const QRect block : {QRect(0, 0, 4, 4), QRect(4, 0, 4, 4), QRect(8, 0, 2, 4),
                              QRect(8, 8, 2, 2), QRect(0, 8, 4, 2)})
        for (const QPoint corner : {block.topLeft(), block.bottomRight()})
            EXPECT_EQ(tiles.pixel(corner), average(source, block))
                << corner.x() << "," << corner.y();

    // Halves round up: red 0 and 10 average to 5, red 0 and 1 to 1.
    QImage pair(2, 1, QImage::Format_RGB32);
    pair.setPixel(0, 0, qRgb(0, 0, 0));
    pair.setPixel(1, 0, qRgb(1, 3, 255));
    MosaicKernel(pair, 2, 2, pair.rect());
    EXPECT_EQ(pair.pixel(0, 0), qRgb(1, 2, 128));
    // A size that divides the side writes no empty third tile, and 1 x 1 changes nothing.
    QImage fives = source;
    MosaicKernel(fives, 5, 5, fives.rect());
    EXPECT_EQ(fives.pixel(9, 9), average(source, {5, 5, 5, 5}));
    QImage ones = source;
    MosaicKernel(ones, 1, 1, ones.rect());
    EXPECT_EQ(ones, source);
}

TEST(AreaFilterKernels, ColoursFollowTheirCurvesWithTiesToEven)
{
    QImage colours(4, 1, QImage::Format_RGB32);
    const QRgb inputs[] = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(128, 0, 0), qRgb(255, 255, 255)};
    for (int x = 0; x < 4; ++x)
        colours.setPixel(x, 0, inputs[x]);
    QImage grey = colours;
    ColourKernel(grey, ColourGrey);
    EXPECT_EQ(grey.pixel(0, 0), qRgb(178, 178, 178)); // 178.5
    EXPECT_EQ(grey.pixel(1, 0), qRgb(26, 26, 26));    // 25.5
    QImage sepia = colours;
    ColourKernel(sepia, ColourSepia);
    EXPECT_EQ(sepia.pixel(2, 0), qRgb(152, 128, 102));
    EXPECT_EQ(sepia.pixel(3, 0), qRgb(255, 255, 255));
    QImage negative = colours;
    ColourKernel(negative, ColourNegative);
    EXPECT_EQ(negative.pixel(2, 0), qRgb(127, 255, 255));
    EXPECT_EQ(negative.format(), QImage::Format_RGB32);
    QImage black(1, 1, QImage::Format_BGR888);
    black.fill(Qt::black);
    ColourKernel(black, ColourSepia);
    EXPECT_EQ(black.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(AreaFilterKernels, SelectionLimitsTheFilterInsideOrOutside)
{
    const QImage source = picture(12, 10);
    const QRect selection(3, 2, 6, 5);
    const QImage inside = ApplyAreaFilter(source, FilterKind::Mosaic, 4, selection, false);
    // Tiles align to the selection's corner at x = 3; outside nothing changed.
    EXPECT_EQ(inside.pixel(3, 2), average(source, {3, 2, 4, 4}));
    EXPECT_EQ(inside.pixel(7, 2), average(source, {7, 2, 2, 4}));
    EXPECT_EQ(inside.pixel(2, 2), source.pixel(2, 2));
    EXPECT_EQ(inside.pixel(9, 9), source.pixel(9, 9));

    const QImage outside =
        ApplyAreaFilter(source, FilterKind::Colour, ColourNegative, selection, true);
    EXPECT_EQ(outside.pixel(3, 2), source.pixel(3, 2));
    EXPECT_EQ(outside.pixel(8, 6), source.pixel(8, 6));
    EXPECT_EQ(outside.pixel(9, 6), source.pixel(9, 6) ^ 0xffffff);
    EXPECT_EQ(outside.pixel(0, 0), source.pixel(0, 0) ^ 0xffffff);
}

TEST(AreaFilterKernels, TileSizeMustBeAWholeNumberFromTwoTo64)
{
    EXPECT_EQ(CheckTileSize(QStringLiteral(" 8 ")).size, 8);
    EXPECT_EQ(CheckTileSize(QStringLiteral("64")).size, 64);
    EXPECT_EQ(CheckTileSize(QStringLiteral("2.5")).message,
              QStringLiteral("整数値を入力してください。"));
    for (const char* outOfRange : {"1", "65", "99999999999999999999"})
        EXPECT_EQ(CheckTileSize(QString::fromLatin1(outOfRange)).message,
                  QStringLiteral("指定した値は有効範囲を超えています。"));
}
