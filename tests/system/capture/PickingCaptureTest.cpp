#include "capture/CaptureScene.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace vistrel::test;

namespace {

// Two windows side by side, both crossed by the line y = PointerY.
const QRect PatternClient(800, 300, 300, 200);
const QPoint XtermFrame(1300, 300);
constexpr int PointerY = 400;

std::string logOf(CaptureScene& scene)
{
    return "log:\n" + scene.vistrel().testLog().join(u'\n').toStdString();
}

QPoint titleBarOf(const WindowGeometry& geometry)
{
    return {geometry.client.center().x(), (geometry.frame.top() + geometry.client.top()) / 2};
}

} // namespace

TEST(PickingCapture, HighlightFollowsThePointerAndTheClickTakesTheWholeXterm)
{
    CaptureScene scene;
    const WindowId pattern = scene.startPattern(PatternClient, QStringLiteral("capsys left"));
    const WindowId xterm = scene.startXterm(XtermFrame, QStringLiteral("capsys xterm"));
    scene.startVistrel("CLIENT=0");
    const WindowGeometry left = scene.geometryOf(pattern);
    const WindowGeometry right = scene.geometryOf(xterm);

    scene.movePointer({PatternClient.center().x(), PointerY});
    scene.chooseCaptureItem(QStringLiteral("w"));
    ASSERT_TRUE(scene.waitForHighlightAround(left.frame)) << "no highlight on the first window";

    // Straight across: only X changes.
    scene.movePointer({right.client.center().x(), PointerY});
    // The text area is xterm's own child window, so it is highlighted by itself.
    EXPECT_TRUE(scene.waitForHighlightAround(right.client)) << "the highlight did not follow";
    EXPECT_FALSE(scene.highlightAround(left.frame)) << "the old highlight stayed";

    // On the title bar the target is the xterm itself, frame and all.
    scene.movePointer(titleBarOf(right));
    EXPECT_TRUE(scene.waitForHighlightAround(right.frame));
    scene.click();
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 1)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    EXPECT_EQ(picture.size(), right.frame.size());
    EXPECT_EQ(countHighlightPixels(picture), 0) << "the highlight was captured";
    EXPECT_TRUE(scene.waitForMainWindowBack());
    EXPECT_FALSE(scene.highlightAround(right.frame)) << "the highlight outlived the picking";
}

TEST(PickingCapture, ClientModeTakesTheXtermTextArea)
{
    CaptureScene scene;
    const WindowId xterm = scene.startXterm(XtermFrame, QStringLiteral("capsys xterm"));
    scene.startVistrel("CLIENT=1");
    const WindowGeometry geometry = scene.geometryOf(xterm);

    scene.movePointer(geometry.client.center());
    scene.chooseCaptureItem(QStringLiteral("w"));
    ASSERT_TRUE(scene.waitForHighlightAround(geometry.client));
    scene.click();
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 1)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    ASSERT_EQ(picture.size(), geometry.client.size());
    // Text and cursor are in the background colour: one colour throughout.
    int others = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            others += (picture.pixel(x, y) & 0xffffff) != 0x3060a0;
    EXPECT_EQ(others, 0) << "pixels not in the xterm's colour";
}

namespace {

// Starts the program, opens the pick over the pattern window and waits for its frame.
void startPickingThePattern(CaptureScene& scene, WindowGeometry& geometry)
{
    const WindowId pattern = scene.startPattern(PatternClient, QStringLiteral("capsys left"));
    scene.startVistrel("CLIENT=0");
    geometry = scene.geometryOf(pattern);
    scene.movePointer(PatternClient.center());
    scene.chooseCaptureItem(QStringLiteral("w"));
    ASSERT_TRUE(scene.waitForHighlightAround(geometry.frame));
}

} // namespace

TEST(PickingCapture, EscapeCancelsAndAddsNoTab)
{
    CaptureScene scene;
    WindowGeometry geometry;
    ASSERT_NO_FATAL_FAILURE(startPickingThePattern(scene, geometry));
    scene.key(QStringLiteral("Escape"));
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Aborted, 1)) << logOf(scene);
    EXPECT_TRUE(scene.waitForMainWindowBack());
    EXPECT_EQ(scene.statusCount(CaptureScene::Completed), 0);
    EXPECT_TRUE(scene.tabFiles().isEmpty()) << scene.tabFiles().join(u' ').toStdString();
    EXPECT_FALSE(scene.highlightAround(geometry.frame));
}

// A session's end while the user picks: the pick ends, the grab goes with the program.
TEST(PickingCapture, TerminationSignalEndsThePickAndTheProgram)
{
    CaptureScene scene;
    WindowGeometry geometry;
    ASSERT_NO_FATAL_FAILURE(startPickingThePattern(scene, geometry));
    ASSERT_EQ(::kill(scene.vistrel().pid(), SIGTERM), 0);
    ASSERT_TRUE(scene.vistrel().waitForExit()) << "still picking after SIGTERM\n" << logOf(scene);
    EXPECT_EQ(scene.vistrel().exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return !scene.highlightAround(geometry.frame); }));
}

// At the screen's edge the highlight is pulled onto the window itself; it
// must still be gone before the grab.
TEST(PickingCapture, HighlightNeverShowsInThePicture)
{
    CaptureScene scene;
    const QRect client(0, 300, 300, 200);
    scene.startPattern(client, QStringLiteral("capsys edge"));
    scene.startVistrel("CLIENT=1");

    scene.movePointer(client.center());
    scene.chooseCaptureItem(QStringLiteral("w"));
    const QPoint onClient(2, client.center().y());
    ASSERT_TRUE(waitFor([&] {
        return (scene.session().grab(QRect(onClient, QSize(1, 1))).pixel(0, 0) & 0xffffff) ==
               CaptureScene::HighlightColour;
    })) << "the highlight did not reach into the window";
    scene.key(QStringLiteral("space"));
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 1)) << logOf(scene);
    const QImage picture = scene.tabPicture(1);
    ASSERT_EQ(picture.size(), client.size());
    EXPECT_EQ(countHighlightPixels(picture), 0);
    const auto mismatch = firstPatternMismatch(picture, {}, client.size());
    EXPECT_FALSE(mismatch) << "differs at " << mismatch->x() << "," << mismatch->y();
}
