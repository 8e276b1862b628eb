#include "edit/modes/SelectionGeometry.h"
#include "edit/shapes/ShapeDrawing.h"

#include <gtest/gtest.h>

using namespace vistrel;

TEST(SelectionGeometry, SelectionStaysOnThePictureAndKeepsOnePixel)
{
    const QSize picture(100, 60);
    // Over the left and top edges: pinned at 0 with its size kept.
    EXPECT_EQ(ClampSelection({-7, -3, 20, 10}, picture), QRect(0, 0, 20, 10));
    // Past the right and bottom edges: cut there.
    EXPECT_EQ(ClampSelection({90, 50, 20, 20}, picture), QRect(90, 50, 10, 10));
    // Nothing left inside: the last column and row, one pixel.
    EXPECT_EQ(ClampSelection({130, 80, 5, 5}, picture), QRect(99, 59, 1, 1));
    // Never smaller than 1 x 1, and a fitting one is left alone.
    EXPECT_EQ(ClampSelection({10, 10, 0, -4}, picture), QRect(10, 10, 1, 1));
    EXPECT_EQ(ClampSelection({1, 2, 99, 58}, picture), QRect(1, 2, 99, 58));
}

TEST(SelectionGeometry, DragEndsAndSpans)
{
    const QSize picture(100, 60);
    EXPECT_EQ(ClampToPicture({250, -9}, picture), QPoint(100, 0));
    EXPECT_EQ(ClampToPicture({-1, 61}, picture), QPoint(0, 60));
    EXPECT_EQ(SpanBetween({40, 5}, {10, 25}), QRect(10, 5, 30, 20));
    EXPECT_EQ(SpanBetween({7, 7}, {7, 7}).size(), QSize(0, 0));
}

TEST(SelectionGeometry, PreviewSquareIsMovedInsideNeverShrunk)
{
    const QSize picture(400, 300);
    // Magnification 7: half-side 12, a 24 x 24 square stretched to 180 x 180.
    EXPECT_EQ(PreviewSourceSquare({100, 100}, 7, picture), QRect(88, 88, 24, 24));
    EXPECT_EQ(PreviewSourceSquare({5, 290}, 3, picture), QRect(0, 240, 60, 60));
    EXPECT_EQ(PreviewSourceSquare({399, 0}, 1, picture), QRect(220, 0, 180, 180));
}

TEST(SelectionGeometry, RoundedRectangleHasCornersOfAQuarterOfItsShorterSide)
{
    QImage picture(40, 100, QImage::Format_RGB32);
    picture.fill(Qt::white);
    DrawShape(picture, BandKind::RoundRect, picture.rect(), 0x0000FF, 0);
    const QRgb red = qRgb(255, 0, 0);
    // Corner ellipses of 10 x 10: the corner pixels stay, the straight edges are drawn.
    EXPECT_NE(picture.pixel(0, 0), red);
    EXPECT_NE(picture.pixel(39, 99), red);
    EXPECT_EQ(picture.pixel(5, 0), red);
    EXPECT_EQ(picture.pixel(20, 99), red);
    EXPECT_EQ(picture.pixel(0, 50), red);
    EXPECT_EQ(picture.pixel(39, 5), red);
    EXPECT_NE(picture.pixel(20, 50), red);
}
