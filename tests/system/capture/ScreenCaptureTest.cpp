#include "capture/CaptureScene.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace vistrel::test;

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// The cursor the server shows now, as premultiplied ARGB with its hotspot as the offset.
QImage currentCursor(xcb_connection_t* connection)
{
    std::unique_ptr<xcb_xfixes_query_version_reply_t, FreeDeleter> version(
        xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 4, 0),
                                       nullptr));
    std::unique_ptr<xcb_xfixes_get_cursor_image_reply_t, FreeDeleter> reply(
        xcb_xfixes_get_cursor_image_reply(connection, xcb_xfixes_get_cursor_image(connection),
                                          nullptr));
    if (!version || !reply)
        return {};
    QImage image(reply->width, reply->height, QImage::Format_ARGB32_Premultiplied);
    const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(reply.get());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, pixels[y * image.width() + x]);
    image.setOffset(QPoint(reply->xhot, reply->yhot));
    return image;
}

std::string logOf(CaptureScene& scene)
{
    return "log:\n" + scene.vistrel().testLog().join(u'\n').toStdString();
}

QImage captureFullScreen(CaptureScene& scene, int count)
{
    scene.chooseCaptureItem(QStringLiteral("f"));
    const bool done = scene.waitForStatusCount(CaptureScene::Completed, count);
    EXPECT_TRUE(done) << logOf(scene);
    EXPECT_TRUE(scene.waitForMainWindowBack());
    return done ? scene.tabPicture(count) : QImage();
}

// Captures the full screen without and then with the cursor option (switched
// through the menu) and checks the cursor image against the difference.
void expectCursorAtPointer(CaptureScene& scene, QPoint pointer)
{
    scene.movePointer(pointer);
    const QImage without = captureFullScreen(scene, 1);
    scene.chooseCaptureItem(QStringLiteral("m"));
    const QImage with = captureFullScreen(scene, 2);
    ASSERT_FALSE(without.isNull());
    ASSERT_FALSE(with.isNull());
    const QImage cursor = currentCursor(scene.session().display().connection());
    ASSERT_FALSE(cursor.isNull());

    // The cursor image's hotspot sits on the pointer (the arrow's tip, the I-beam's middle);
    // its clear parts show the screen, its solid parts are drawn as they are.
    int solid = 0;
    int changed = 0;
    int wrong = 0;
    const QPoint corner = pointer - cursor.offset();
    const QRect box(corner, cursor.size());
    for (int y = -20; y < cursor.height() + 20; ++y) {
        for (int x = -20; x < cursor.width() + 20; ++x) {
            const QPoint at = corner + QPoint(x, y);
            const QRgb shot = with.pixel(at) & 0xffffff;
            const QRgb plain = without.pixel(at) & 0xffffff;
            changed += shot != plain;
            const QRgb pixel = box.contains(at) ? cursor.pixel(x, y) : 0;
            if (qAlpha(pixel) == 255) {
                ++solid;
                wrong += shot != (pixel & 0xffffff);
            } else if (qAlpha(pixel) == 0) {
                wrong += shot != plain;
            }
        }
    }
    EXPECT_GT(solid, 0) << "the cursor has no solid pixel to look for";
    EXPECT_GT(changed, 0) << "no cursor in the picture";
    EXPECT_EQ(wrong, 0) << "pixels around the pointer that are neither cursor nor screen ("
                        << cursor.width() << "x" << cursor.height() << " cursor)";
}

} // namespace

TEST(FullScreenCapture, CursorOptionDrawsTheArrowAtThePointer)
{
    CaptureScene scene;
    const QRect client(1000, 300, 300, 200);
    scene.startPattern(client, QStringLiteral("capsys pattern"));
    scene.startVistrel("MOUSE=0");
    expectCursorAtPointer(scene, client.center());
}

// A text cursor fills its image to the corners; its clear parts must still
// show the screen rather than a coloured box.
TEST(FullScreenCapture, CursorOptionDrawsTheTextCursorWithoutABox)
{
    CaptureScene scene;
    const WindowId xterm = scene.startXterm({1000, 300}, QStringLiteral("capsys plain"));
    scene.startVistrel("MOUSE=0");
    expectCursorAtPointer(scene, scene.geometryOf(xterm).client.center());
}

TEST(FullScreenCapture, HasTheDisplaySizeAndLeavesTheProgramOut)
{
    CaptureScene scene;
    const QRect client(900, 200, 320, 240);
    scene.startPattern(client, QStringLiteral("capsys pattern"));
    scene.startVistrel("CLIENT=1"); // the desktop's client area is the whole screen
    const QRect mainFrame = scene.geometryOf(scene.mainWindow()).frame;

    const QImage picture = captureFullScreen(scene, 1);
    ASSERT_EQ(picture.size(), QSize(XSession::ScreenWidth, XSession::ScreenHeight));
    const auto mismatch = firstPatternMismatch(picture, client.topLeft(), client.size());
    EXPECT_FALSE(mismatch) << "differs at " << mismatch->x() << "," << mismatch->y();

    // Where the program's window was, the picture shows what lies beneath it.
    scene.vistrel().stop();
    ASSERT_TRUE(waitFor([&] { return scene.session().findWindows("Vistrel").isEmpty(); }));
    const QRect visible = mainFrame.intersected(QRect(0, 0, picture.width(), picture.height()));
    EXPECT_EQ(picture.copy(visible), scene.session().grab(visible))
        << "the program's own window is in the picture";
}
