#include "capture/CaptureKernels.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

QImage numbered(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, y, 7));
    return image;
}

} // namespace

TEST(TrimMargins, MarginsThatUseUpThePictureLeaveItUnchanged)
{
    QImage control = numbered(15, 15);
    TrimMargins(control, 10, 10, 10, 10);
    EXPECT_EQ(control.size(), QSize(15, 15));

    QImage exact = numbered(20, 20); // left + right equal to the width is not less
    TrimMargins(exact, 10, 0, 10, 0);
    EXPECT_EQ(exact.size(), QSize(20, 20));
}

TEST(TrimMargins, CutsTheInnerPartFromLeftAndTop)
{
    QImage picture = numbered(100, 50);
    TrimMargins(picture, 10, 10, 10, 10);
    ASSERT_EQ(picture.size(), QSize(80, 30));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(10, 10, 7));
    EXPECT_EQ(picture.pixel(79, 29), qRgb(89, 39, 7));

    QImage uneven = numbered(100, 50);
    TrimMargins(uneven, 1, 2, 3, 4);
    EXPECT_EQ(uneven.size(), QSize(96, 44));
    EXPECT_EQ(uneven.pixel(0, 0), qRgb(1, 2, 7));
}

TEST(ClipToDisplay, KeepsEverythingInsideThePrimaryDisplay)
{
    const QRect display(0, 0, 1920, 1080);
    EXPECT_EQ(ClipToDisplay({-20, 10, 300, 200}, display), (ScreenRect{0, 10, 300, 200}));
    EXPECT_EQ(ClipToDisplay({1800, 1000, 2100, 1200}, display),
              (ScreenRect{1800, 1000, 1920, 1080}));
    // Wholly off the display: a negative size, which the grab refuses.
    const ScreenRect outside = ClipToDisplay({-500, 10, -100, 200}, display);
    EXPECT_LT(outside.width(), 0);
    // A primary monitor right of another one: its own edges clip, not (0, 0).
    const QRect right(1920, 0, 1920, 1080);
    EXPECT_EQ(ClipToDisplay({1800, -5, 2100, 200}, right), (ScreenRect{1920, 0, 2100, 200}));
    EXPECT_EQ(ClipToDisplay({0, 0, 3840, 1080}, right), (ScreenRect{1920, 0, 3840, 1080}));
    EXPECT_LT(ClipToDisplay({100, 10, 500, 200}, right).width(), 0);
}

TEST(DrawCursorImage, TransparentPartsShowThePictureBeneath)
{
    QImage canvas(10, 10, QImage::Format_RGB32);
    canvas.fill(qRgb(200, 0, 0));
    QImage cursor(3, 3, QImage::Format_ARGB32);
    cursor.fill(Qt::transparent);
    cursor.setPixel(0, 0, qRgba(255, 255, 255, 255));
    cursor.setPixel(1, 1, qRgba(0, 0, 0, 255));

    DrawCursorImage(QPoint(4, 5), canvas, cursor);

    EXPECT_EQ(canvas.pixel(4, 5), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(5, 6), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(6, 5), qRgb(200, 0, 0)); // transparent: untouched
    EXPECT_EQ(canvas.pixel(3, 5), qRgb(200, 0, 0)); // outside the cursor
}

TEST(DrawCursorImage, NoHotSpotOffsetAndClippedAtTheEdges)
{
    QImage canvas(4, 4, QImage::Format_RGB32);
    canvas.fill(qRgb(1, 2, 3));
    QImage cursor(3, 3, QImage::Format_ARGB32);
    cursor.fill(qRgba(9, 9, 9, 255));
    cursor.setPixel(0, 2, qRgba(0, 0, 0, 0)); // bottom-left: the transparent key

    DrawCursorImage(QPoint(-1, 2), canvas, cursor);

    EXPECT_EQ(canvas.pixel(0, 2), qRgb(9, 9, 9));
    EXPECT_EQ(canvas.pixel(1, 3), qRgb(9, 9, 9));
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(1, 2, 3));
}

TEST(DrawCursorImage, TightlyCroppedCursorKeepsItsCornerPixels)
{
    // X cursors have no clear margin: an opaque bottom-left pixel is cursor, not key.
    QImage canvas(3, 3, QImage::Format_RGB32);
    canvas.fill(qRgb(50, 50, 50));
    QImage cursor(2, 2, QImage::Format_ARGB32);
    cursor.fill(qRgba(0, 128, 128, 255)); // even the old fill colour is drawn
    cursor.setPixel(1, 0, qRgba(255, 0, 0, 255));
    DrawCursorImage(QPoint(0, 0), canvas, cursor);
    EXPECT_EQ(canvas.pixel(0, 1), qRgb(0, 128, 128));
    EXPECT_EQ(canvas.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(50, 50, 50));
}

TEST(DrawCursorImage, TranslucentShadowBlendsWithThePicture)
{
    QImage canvas(1, 1, QImage::Format_RGB32);
    canvas.fill(qRgb(200, 200, 200));
    QImage cursor(1, 1, QImage::Format_ARGB32);
    cursor.setPixel(0, 0, qRgba(0, 0, 0, 128));
    DrawCursorImage(QPoint(0, 0), canvas, cursor);
    EXPECT_NEAR(qRed(canvas.pixel(0, 0)), 100, 1);
}

TEST(DrawCursorImage, KeepsThePicturesPixelFormat)
{
    QImage canvas(4, 4, QImage::Format_BGR888);
    canvas.fill(qRgb(10, 20, 30));
    QImage cursor(1, 1, QImage::Format_ARGB32);
    cursor.fill(qRgba(255, 255, 255, 255));
    DrawCursorImage(QPoint(2, 2), canvas, cursor);
    EXPECT_EQ(canvas.format(), QImage::Format_BGR888);
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(255, 255, 255));
}

TEST(FullScreenRect, TheChoiceTakesThePrimaryMonitorAllOfThemOrThePointers)
{
    const QList<QRect> monitors{{1920, 0, 1920, 1080}, {0, 200, 1920, 1080}}; // primary first
    EXPECT_EQ(DesktopArea(monitors), QRect(0, 0, 3840, 1280));
    EXPECT_EQ(FullScreenRect(PrimaryMonitor, monitors, {10, 300}), monitors[0]);
    EXPECT_EQ(FullScreenRect(AllMonitors, monitors, {10, 300}), QRect(0, 0, 3840, 1280));
    EXPECT_EQ(FullScreenRect(PointerMonitor, monitors, {10, 300}), monitors[1]);
    EXPECT_EQ(FullScreenRect(PointerMonitor, monitors, {10, 10}), monitors[0])
        << "between the monitors: the primary one";
    EXPECT_EQ(FullScreenRect(7, monitors, {10, 300}), monitors[0]) << "an unknown choice";
}
