#include "capture/CountdownPlacement.h"

#include <gtest/gtest.h>

using namespace vistrel;

TEST(CountdownPlacement, EachPositionOnTheScreen)
{
    const QSize screen(1024, 768);
    const QSize window(167, 55);
    EXPECT_EQ(CountdownPlacement(TopLeft, screen, window), QPoint(0, 0));
    EXPECT_EQ(CountdownPlacement(BottomLeft, screen, window), QPoint(0, 713));
    EXPECT_EQ(CountdownPlacement(TopRight, screen, window), QPoint(857, 0));
    EXPECT_EQ(CountdownPlacement(BottomRight, screen, window), QPoint(857, 713));
    // 428.5 and 356.5: halves go to the even neighbour.
    EXPECT_EQ(CountdownPlacement(Centre, screen, window), QPoint(428, 356));
}

TEST(CountdownPlacement, CentreRoundsHalvesToEven)
{
    EXPECT_EQ(CountdownPlacement(Centre, {1024, 768}, {165, 53}), QPoint(430, 358)); // 429.5, 357.5
    EXPECT_EQ(CountdownPlacement(Centre, {1024, 768}, {164, 54}), QPoint(430, 357));
    // A window wider than the screen stands left of it, rounded the same way (-0.5, -1.5).
    EXPECT_EQ(CountdownPlacement(Centre, {100, 100}, {101, 103}), QPoint(0, -2));
}

TEST(CountdownPlacement, UnknownPositionsStandTopLeft)
{
    EXPECT_EQ(CountdownPlacement(-1, {1024, 768}, {167, 55}), QPoint(0, 0));
    EXPECT_EQ(CountdownPlacement(5, {1024, 768}, {167, 55}), QPoint(0, 0));
}
