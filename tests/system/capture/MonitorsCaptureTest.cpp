// Captures on a screen of two monitors whose primary one is on the right.
#include "capture/CaptureScene.h"
#include "harness/Pattern.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vistrel::test;

namespace {

const QRect PrimaryMonitor(1920, 0, 1920, 1080);

std::string logOf(CaptureScene& scene)
{
    return "log:\n" + scene.vistrel().testLog().join(u'\n').toStdString();
}

} // namespace

TEST(TwoMonitors, FullScreenAndPickedWindowsTakeThePrimaryMonitor)
{
    std::unique_ptr<CaptureScene> scene;
    try {
        scene = std::make_unique<CaptureScene>(XSession::Server::TwoMonitorsPrimaryRight);
    } catch (const XServerUnavailable& reason) {
        GTEST_SKIP() << reason.what();
    }
    const QRect inside(2400, 300, 320, 240);
    const QRect across(1800, 700, 300, 200); // crosses onto the left monitor
    const WindowId insideWindow = scene->startPattern(inside, QStringLiteral("monitors inside"));
    const WindowId acrossWindow = scene->startPattern(across, QStringLiteral("monitors across"));
    scene->startVistrel("CLIENT=1");

    scene->chooseCaptureItem(QStringLiteral("f"));
    ASSERT_TRUE(scene->waitForStatusCount(CaptureScene::Completed, 1)) << logOf(*scene);
    const QImage screen = scene->tabPicture(1);
    ASSERT_EQ(screen.size(), PrimaryMonitor.size());
    const auto mismatch =
        firstPatternMismatch(screen, inside.topLeft() - PrimaryMonitor.topLeft(), inside.size());
    EXPECT_FALSE(mismatch) << "differs at " << mismatch->x() << "," << mismatch->y();
    ASSERT_TRUE(scene->waitForMainWindowBack());

    // Picked windows: the one on the primary monitor whole, the other cut at its edge.
    const auto pick = [&](WindowId window, int count) {
        const WindowGeometry geometry = scene->geometryOf(window);
        scene->movePointer(geometry.client.center() + QPoint(geometry.client.width() / 4, 0));
        scene->chooseCaptureItem(QStringLiteral("w"));
        EXPECT_TRUE(scene->waitForHighlightAround(geometry.frame));
        scene->click();
        EXPECT_TRUE(scene->waitForStatusCount(CaptureScene::Completed, count)) << logOf(*scene);
        EXPECT_TRUE(scene->waitForMainWindowBack());
        return scene->tabPicture(count);
    };
    const QImage whole = pick(insideWindow, 2);
    ASSERT_EQ(whole.size(), inside.size());
    EXPECT_FALSE(firstPatternMismatch(whole, {}, inside.size()));

    const QImage cut = pick(acrossWindow, 3);
    const int hidden = PrimaryMonitor.left() - across.left();
    ASSERT_EQ(cut.size(), QSize(across.width() - hidden, across.height()));
    for (int x : {0, cut.width() - 1})
        EXPECT_EQ(cut.pixel(x, 10) & 0xffffff, patternColour(x + hidden, 10)) << "column " << x;
}
