#include "capture/CaptureScene.h"

#include <gtest/gtest.h>

using namespace vistrel::test;

namespace {

// Right of the program's own window, so that neither covers the other.
const QRect PatternClient(900, 200, 320, 240);

// Puts the pattern window directly below the program in the stacking order
// and captures the active window from the program's menu.
QImage captureActivePattern(CaptureScene& scene, const QByteArray& mainLines,
                            WindowGeometry& geometry)
{
    const WindowId pattern = scene.startPattern(PatternClient, QStringLiteral("capsys pattern"));
    scene.startVistrel(mainLines);
    scene.activate(pattern);
    scene.chooseCaptureItem(QStringLiteral("a"));
    const bool done = scene.waitForStatusCount(CaptureScene::Completed, 1);
    EXPECT_TRUE(done) << "log:\n" << scene.vistrel().testLog().join(u'\n').toStdString();
    EXPECT_TRUE(scene.waitForMainWindowBack()) << "the main window stays hidden";
    geometry = scene.geometryOf(pattern);
    return done ? scene.tabPicture(1) : QImage();
}

} // namespace

TEST(ActiveWindowCapture, ClientAreaIsExactlyThePattern)
{
    CaptureScene scene;
    WindowGeometry geometry;
    const QImage picture = captureActivePattern(scene, "CLIENT=1", geometry);
    ASSERT_EQ(picture.size(), PatternClient.size());
    const auto mismatch = firstPatternMismatch(picture, {}, PatternClient.size());
    EXPECT_FALSE(mismatch) << "differs at " << mismatch->x() << "," << mismatch->y();
    EXPECT_EQ(scene.tabFiles(), QStringList{QStringLiteral("Tab1.cbmp")});
}

TEST(ActiveWindowCapture, WholeWindowHoldsTheFrameAroundThePattern)
{
    CaptureScene scene;
    WindowGeometry geometry;
    const QImage picture = captureActivePattern(scene, "CLIENT=0", geometry);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), geometry.frame.size());
    EXPECT_GT(picture.width(), PatternClient.width());
    EXPECT_GT(picture.height(), PatternClient.height());
    const QPoint offset = geometry.client.topLeft() - geometry.frame.topLeft();
    const auto mismatch = firstPatternMismatch(picture, offset, PatternClient.size());
    EXPECT_FALSE(mismatch) << "the pattern is not at the frame offset " << offset.x() << ","
                           << offset.y() << " (first difference at " << mismatch->x() << ","
                           << mismatch->y() << ")";
}
