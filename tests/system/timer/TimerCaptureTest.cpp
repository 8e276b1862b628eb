#include "capture/CaptureScene.h"
#include "harness/XProbe.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vistrel::test;

namespace {

// Qt may append the program's name to the caption, so the start is matched.
const QString CountdownTitlePattern = QStringLiteral("^キャプチャ開始まであと\\.\\.\\.");
// Over the middle of the screen, where the centred countdown window stands, so
// that a countdown caught in the capture would show in the pattern.
const QRect PatternClient(760, 400, 400, 280);
constexpr int CountdownHeight = 55;

QByteArray timerLines(bool show)
{
    // The [MAIN] lines come first; the timer section follows them.
    return "CLIENT=1\n[TIMER]\nMINUTE=2\nSHOW=" + QByteArray(show ? "1" : "0") + "\nPOSITION=4";
}

// The countdown window when it is on the screen, else 0.
WindowId countdownWindow(CaptureScene& scene)
{
    const CommandResult result =
        scene.session().xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--name"), CountdownTitlePattern});
    return result.exitCode == 0 ? result.output.split('\n').value(0).toULongLong() : 0;
}

WindowId activeWindow(CaptureScene& scene)
{
    const CommandResult result = scene.session().xdotool({QStringLiteral("getactivewindow")});
    return result.exitCode == 0 ? result.output.trimmed().toULongLong() : 0;
}

// Starts the test windows and the program; the xterm is left in front of the pattern.
struct TimerScene {
    explicit TimerScene(bool show)
    {
        pattern = scene.startPattern(PatternClient, QStringLiteral("timer target"));
        first = scene.startXterm({60, 560}, QStringLiteral("timer first"));
        scene.startVistrel(timerLines(show));
        scene.activate(first);
    }

    void startTimerCapture()
    {
        scene.chooseCaptureItem(QStringLiteral("t"));
        scene.key(QStringLiteral("a"));
    }

    void expectPatternCaptured()
    {
        const bool done = scene.waitForStatusCount(CaptureScene::Completed, 1);
        ASSERT_TRUE(done) << "log:\n" << scene.vistrel().testLog().join(u'\n').toStdString();
        EXPECT_TRUE(scene.waitForMainWindowBack()) << "the main window stays hidden";
        const QImage picture = scene.tabPicture(1);
        ASSERT_EQ(picture.size(), PatternClient.size());
        const auto mismatch = firstPatternMismatch(picture, {}, PatternClient.size());
        EXPECT_FALSE(mismatch) << "the picture differs from the pattern at " << mismatch->x() << ","
                               << mismatch->y();
    }

    CaptureScene scene;
    WindowId pattern = 0;
    WindowId first = 0;
};

} // namespace

TEST(TimerCapture, TakesTheWindowBroughtToTheFrontDuringTheCountdown)
{
    TimerScene timer(true);
    CaptureScene& scene = timer.scene;
    timer.startTimerCapture();

    WindowId countdown = 0;
    ASSERT_TRUE(waitFor([&] { return (countdown = countdownWindow(scene)) != 0; }))
        << "no countdown window";
    EXPECT_TRUE(waitFor([&] { return activeWindow(scene) == timer.first; },
                        std::chrono::milliseconds(1000)))
        << "the countdown window took the focus";
    scene.activate(timer.pattern);

    // Centred by its outer size once the window manager has framed it (by the first tick).
    std::optional<WindowGeometry> placed;
    const auto settled = [&] {
        placed = scene.session().geometry(countdown);
        if (!placed)
            return false;
        const QPoint offCentre =
            placed->frame.center() - QPoint(XSession::ScreenWidth / 2, XSession::ScreenHeight / 2);
        return placed->frame.height() == CountdownHeight && offCentre.manhattanLength() <= 2;
    };
    EXPECT_TRUE(waitFor(settled, std::chrono::milliseconds(1000)));
    ASSERT_TRUE(placed);
    const QRect frame = placed->frame;
    EXPECT_EQ(frame.height(), CountdownHeight);
    EXPECT_NEAR(frame.center().x(), XSession::ScreenWidth / 2, 1);
    EXPECT_NEAR(frame.center().y(), XSession::ScreenHeight / 2, 1);
    ASSERT_TRUE(PatternClient.contains(frame));
    const QImage onScreen = scene.session().grab(placed->client);
    EXPECT_TRUE(firstPatternMismatch(onScreen, {}, onScreen.size()).has_value())
        << "the countdown window is not on top of the window brought to the front";

    timer.expectPatternCaptured();
    EXPECT_EQ(countdownWindow(scene), 0u);
}

TEST(TimerCapture, WithoutTheCountdownWindowOnlyWaits)
{
    TimerScene timer(false);
    CaptureScene& scene = timer.scene;
    timer.startTimerCapture();
    // The program is hidden before it waits: then the pattern can be brought forward.
    ASSERT_TRUE(waitFor([&] { return scene.vistrel().windows().isEmpty(); }));
    scene.activate(timer.pattern);
    EXPECT_EQ(countdownWindow(scene), 0u);
    timer.expectPatternCaptured();
    EXPECT_EQ(countdownWindow(scene), 0u);
}

// The countdown never takes the focus, yet Esc and its close button call the capture off.
TEST(TimerCapture, EscapeOrTheCloseButtonCallsTheCaptureOff)
{
    TimerScene timer(true);
    CaptureScene& scene = timer.scene;
    const auto cancelWith = [&](const std::function<void(WindowId)>& cancel, int count) {
        timer.startTimerCapture();
        WindowId countdown = 0;
        ASSERT_TRUE(waitFor([&] { return (countdown = countdownWindow(scene)) != 0; }));
        cancel(countdown);
        ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Aborted, count))
            << "log:\n"
            << scene.vistrel().testLog().join(u'\n').toStdString() << "\noutput:\n"
            << scene.vistrel().output().toStdString();
        EXPECT_TRUE(waitFor([&] { return countdownWindow(scene) == 0; }));
        EXPECT_TRUE(scene.waitForMainWindowBack());
        scene.activate(scene.mainWindow());
    };
    // A key held as briefly as a typist does.
    cancelWith(
        [&](WindowId) {
            scene.session().xdotool({QStringLiteral("keydown"), QStringLiteral("Escape"),
                                     QStringLiteral("sleep"), QStringLiteral("0.15"),
                                     QStringLiteral("keyup"), QStringLiteral("Escape")});
        },
        1);
    cancelWith(
        [&](WindowId countdown) { XProbe(scene.session().display()).requestClose(countdown); }, 2);
    EXPECT_EQ(scene.statusCount(CaptureScene::Completed), 0);
    EXPECT_TRUE(scene.tabFiles().isEmpty()) << scene.tabFiles().join(u' ').toStdString();
}
