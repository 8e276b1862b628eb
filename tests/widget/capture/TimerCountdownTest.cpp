#include "capture/CountdownPlacement.h"
#include "capture/TfrmCntDown.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

// Ticks only when the test says so.
class ManualClock : public CountdownClock {
public:
    void start(std::function<void()> onTick) override
    {
        m_onTick = std::move(onTick);
        m_running = true;
    }
    void stop() override { m_running = false; }
    void advance(int milliseconds)
    {
        for (int ms = 0; ms < milliseconds && m_running; ms += TickMilliseconds)
            m_onTick();
    }

private:
    std::function<void()> m_onTick;
    bool m_running = false;
};

class TimerCountdownTest : public testing::Test {
protected:
    TimerCountdownTest() : clock(new ManualClock), window(std::unique_ptr<CountdownClock>(clock))
    {
        QObject::connect(&window, &TfrmCntDown::finished, [this] { ++finishedCount; });
    }

    QString shown() const
    {
        return window.findChild<QLabel*>("lblSec")->text() + u' ' +
               window.findChild<QLabel*>("lblMSec")->text();
    }

    ManualClock* clock;
    TfrmCntDown window;
    int finishedCount = 0;
};

} // namespace

TEST_F(TimerCountdownTest, ThreeSecondsTickDownAndEndAtTheThirtiethTick)
{
    window.start(3000, Centre);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(shown(), "3 0");
    clock->advance(100);
    EXPECT_EQ(shown(), "2 9");
    clock->advance(1900);
    EXPECT_EQ(shown(), "1 0");
    clock->advance(900); // the 29th tick
    EXPECT_EQ(shown(), "0 1");
    EXPECT_EQ(finishedCount, 0);
    EXPECT_TRUE(window.counting());
    clock->advance(100);
    EXPECT_EQ(finishedCount, 1);
    EXPECT_FALSE(window.counting());
    clock->advance(1000);
    EXPECT_EQ(finishedCount, 1) << "the clock stops with the countdown";
}

TEST_F(TimerCountdownTest, ZeroEndsAtTheFirstTickAndTheWindowIsReused)
{
    window.start(0, TopLeft);
    EXPECT_EQ(shown(), "0 0");
    clock->advance(100);
    EXPECT_EQ(finishedCount, 1);
    window.hideFromScreen();
    EXPECT_FALSE(window.isVisible());

    window.start(1000, TopLeft);
    EXPECT_EQ(shown(), "1 0");
    clock->advance(1000);
    EXPECT_EQ(finishedCount, 2);
}

TEST_F(TimerCountdownTest, AFramelessToolWindowOnTopPlacedByPosition)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("キャプチャ開始まであと..."));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
    // Only the close button, which calls the capture off.
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    // Placed by the outer size: 55 high with the frame, 160 wide inside it.
    for (int position : {TopLeft, BottomLeft, TopRight, BottomRight, Centre}) {
        window.start(1000, position);
        const QRect outer = window.frameGeometry();
        EXPECT_EQ(window.width(), 160);
        EXPECT_EQ(outer.height(), 55);
        EXPECT_EQ(outer.topLeft(), CountdownPlacement(position, screen, outer.size())) << position;
        clock->advance(1000);
    }
}

TEST_F(TimerCountdownTest, ClosingTheWindowCancelsTheCapture)
{
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    bool closed = false;
    QTimer::singleShot(50, &window, [&] { closed = window.close(); });
    EXPECT_FALSE(RunCountdown(window, 60000, true, Centre)) << "the capture would still follow";
    EXPECT_FALSE(closed) << "the close is turned into the end of the countdown";
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(finishedCount, 1);

    // A countdown that runs out, after the cancelled one, is a capture again.
    QTimer::singleShot(0, &window, [&] { clock->advance(1000); });
    EXPECT_TRUE(RunCountdown(window, 500, true, Centre));
    // Cancelling also ends the wait of a countdown that shows no window.
    QTimer::singleShot(20, &window, [&] { window.cancel(); });
    EXPECT_FALSE(RunCountdown(window, 60000, false, Centre));
}

TEST_F(TimerCountdownTest, WithoutTheWindowOnlyWaitsWhileEventsFlow)
{
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    RunCountdown(window, 200, false, Centre);
    EXPECT_TRUE(delivered);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(finishedCount, 0);
}

TEST(TimerCountdownRealClock, ZeroMillisecondsReturnsAfterOneTick)
{
    TfrmCntDown window;
    RunCountdown(window, 0, true, TopLeft);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.counting());
}
