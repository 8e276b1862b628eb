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

namespace {

std::unique_ptr<CaptureScene> twoMonitors()
{
    try {
        return std::make_unique<CaptureScene>(XSession::Server::TwoMonitorsPrimaryRight);
    } catch (const XServerUnavailable&) {
        return nullptr;
    }
}

} // namespace

TEST(TwoMonitors, FullScreenTakesThePrimaryMonitorAndWindowsAreTakenOnEither)
{
    std::unique_ptr<CaptureScene> scene = twoMonitors();
    if (!scene)
        GTEST_SKIP() << "no Xorg with the dummy driver here";
    const QRect inside(2400, 300, 320, 240);
    const QRect across(1800, 700, 300, 200); // crosses onto the left monitor
    const QRect secondary(400, 500, 320, 240);
    const WindowId insideWindow = scene->startPattern(inside, QStringLiteral("monitors inside"));
    const WindowId acrossWindow = scene->startPattern(across, QStringLiteral("monitors across"));
    const WindowId leftWindow = scene->startPattern(secondary, QStringLiteral("monitors left"));
    scene->startVistrel("CLIENT=1");
    // The stored place is on the left monitor, and the window comes back there.
    const std::optional<WindowGeometry> main = scene->session().geometry(scene->mainWindow());
    ASSERT_TRUE(main);
    EXPECT_LT(main->frame.left(), PrimaryMonitor.left()) << "moved onto the primary monitor";

    scene->chooseCaptureItem(QStringLiteral("f"));
    ASSERT_TRUE(scene->waitForStatusCount(CaptureScene::Completed, 1)) << logOf(*scene);
    const QImage screen = scene->tabPicture(1);
    ASSERT_EQ(screen.size(), PrimaryMonitor.size());
    const auto mismatch =
        firstPatternMismatch(screen, inside.topLeft() - PrimaryMonitor.topLeft(), inside.size());
    EXPECT_FALSE(mismatch) << "differs at " << mismatch->x() << "," << mismatch->y();
    ASSERT_TRUE(scene->waitForMainWindowBack());

    // Picked windows are taken whole on either monitor and across the seam.
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
    int count = 1;
    for (const auto& [window, client] :
         {std::pair{insideWindow, inside}, {acrossWindow, across}, {leftWindow, secondary}}) {
        const QImage picture = pick(window, ++count);
        ASSERT_EQ(picture.size(), client.size()) << client.x();
        EXPECT_FALSE(firstPatternMismatch(picture, {}, client.size())) << client.x();
    }
}

TEST(TwoMonitors, FullScreenCanTakeEveryMonitorOrThePointers)
{
    std::unique_ptr<CaptureScene> scene = twoMonitors();
    if (!scene)
        GTEST_SKIP() << "no Xorg with the dummy driver here";
    const QRect secondary(400, 500, 320, 240);
    scene->startPattern(secondary, QStringLiteral("monitors left"));
    scene->startVistrel("CLIENT=0", "FULLSCREEN=1");
    scene->chooseCaptureItem(QStringLiteral("f"));
    ASSERT_TRUE(scene->waitForStatusCount(CaptureScene::Completed, 1)) << logOf(*scene);
    const QImage all = scene->tabPicture(1);
    ASSERT_EQ(all.size(), QSize(3840, 1080));
    EXPECT_FALSE(firstPatternMismatch(all, secondary.topLeft(), secondary.size()));
}
