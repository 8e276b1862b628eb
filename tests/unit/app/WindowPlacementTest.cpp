#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using vistrel::fitWindowToArea;
using vistrel::fitWindowToMonitors;

TEST(WindowPlacement, AStoredWindowIsBroughtWhollyOntoTheWorkArea)
{
    const QRect area(0, 0, 1920, 1040);
    EXPECT_EQ(fitWindowToArea({40, 40, 650, 400}, area), QRect(40, 40, 650, 400)) << "fits";
    EXPECT_EQ(fitWindowToArea({0, 0, 100000, 100000}, area), area) << "never larger";
    EXPECT_EQ(fitWindowToArea({5000, -300, 650, 400}, area), QRect(1270, 0, 650, 400))
        << "off-screen positions come back";
    EXPECT_EQ(fitWindowToArea({10, 10, 1, -5}, area).size(), QSize(100, 100));
    // A work area off the origin (a primary monitor on the right).
    EXPECT_EQ(fitWindowToArea({0, 0, 650, 400}, {1920, 0, 1920, 1080}).topLeft(), QPoint(1920, 0));
}

TEST(WindowPlacement, AWindowOnTheSecondMonitorStaysThere)
{
    const QList<QRect> areas{{1920, 0, 1920, 1040}, {0, 0, 1920, 1080}}; // primary on the right
    EXPECT_EQ(fitWindowToMonitors({300, 200, 650, 400}, areas), QRect(300, 200, 650, 400));
    // Mostly on the left monitor: pulled wholly onto it, not onto the primary one.
    EXPECT_EQ(fitWindowToMonitors({1500, 200, 650, 400}, areas), QRect(1270, 200, 650, 400));
    EXPECT_EQ(fitWindowToMonitors({9000, 200, 650, 400}, areas), QRect(3190, 200, 650, 400))
        << "on no monitor: the primary one";
    EXPECT_EQ(fitWindowToMonitors({10, 10, 650, 400}, {}), QRect(10, 10, 650, 400));
}
