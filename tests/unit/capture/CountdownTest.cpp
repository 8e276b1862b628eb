#include "capture/Countdown.h"

#include <gtest/gtest.h>

using namespace vistrel;

TEST(Countdown, DigitsFollowTheTicksAndStayOnTheLast)
{
    Countdown countdown;
    countdown.start(1000);
    EXPECT_EQ(countdown.secondsText(), "1");
    EXPECT_EQ(countdown.tenthsText(), "0");
    int ticks = 1;
    for (; countdown.tick(); ++ticks)
        EXPECT_EQ(countdown.tenthsText(), QString::number(10 - ticks));
    EXPECT_EQ(ticks, 10);
    EXPECT_EQ(countdown.secondsText(), "0");
    EXPECT_EQ(countdown.tenthsText(), "1");
}

TEST(Countdown, OddTotalsShowWholeTenthsAndNegativeOnesEndAtOnce)
{
    Countdown countdown;
    countdown.start(2550);
    EXPECT_EQ(countdown.tenthsText(), "5");
    ASSERT_TRUE(countdown.tick());
    EXPECT_EQ(countdown.secondsText(), "2");
    EXPECT_EQ(countdown.tenthsText(), "4");

    countdown.start(-3000);
    EXPECT_EQ(countdown.secondsText(), "0");
    EXPECT_EQ(countdown.tenthsText(), "0");
    EXPECT_FALSE(countdown.tick());
}
