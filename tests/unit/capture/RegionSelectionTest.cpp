#include "capture/region/RegionSelection.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {
constexpr int Handle = 7;
const QRect Desktop(0, 0, 1000, 800);
} // namespace

TEST(RegionSelection, ADragFromAnyCornerSpansTheLinesBetweenPixels)
{
    RegionSelection selection(Desktop);
    selection.press(QPoint(300, 300), Handle);
    selection.drag(QPoint(350, 320));
    selection.release(QPoint(400, 380));
    EXPECT_EQ(selection.rect(), QRect(300, 300, 100, 80));
    EXPECT_FALSE(selection.dragging());

    RegionSelection upwards(Desktop);
    upwards.press(QPoint(400, 380), Handle);
    upwards.release(QPoint(300, 300));
    EXPECT_EQ(upwards.rect(), QRect(300, 300, 100, 80));

    // Past the desktop's edges the selection stops at them.
    RegionSelection outside(Desktop);
    outside.press(QPoint(990, 790), Handle);
    outside.release(QPoint(2000, 2000));
    EXPECT_EQ(outside.rect(), QRect(990, 790, 10, 10));
}

TEST(RegionSelection, HandlesResizeOneSideOrCornerAndTheInsideMoves)
{
    RegionSelection selection(Desktop);
    selection.select(QRect(100, 100, 200, 100));
    ASSERT_EQ(selection.handleRects(Handle).size(), 8);
    EXPECT_EQ(selection.gripAt(QPoint(100, 100), Handle), RegionSelection::Grip::TopLeft);
    EXPECT_EQ(selection.gripAt(QPoint(200, 199), Handle), RegionSelection::Grip::Bottom);
    EXPECT_EQ(selection.gripAt(QPoint(150, 150), Handle), RegionSelection::Grip::Move);
    EXPECT_EQ(selection.gripAt(QPoint(50, 50), Handle), RegionSelection::Grip::None);

    selection.press(QPoint(299, 150), Handle); // the right edge's handle
    selection.release(QPoint(350, 400));       // only the width follows
    EXPECT_EQ(selection.rect(), QRect(100, 100, 250, 100));

    selection.press(QPoint(100, 100), Handle); // the top-left corner, past the other one
    selection.release(QPoint(400, 250));
    EXPECT_EQ(selection.rect(), QRect(350, 200, 50, 50));

    selection.press(QPoint(360, 210), Handle); // inside: a move, stopped at the edge
    selection.release(QPoint(2000, 210));
    EXPECT_EQ(selection.rect(), QRect(950, 200, 50, 50));
}

TEST(RegionSelection, ArrowKeysMoveOrResizeWithinTheDesktop)
{
    RegionSelection selection(Desktop);
    selection.select(QRect(-50, 10, 100, 20)); // a window partly off the desktop
    EXPECT_EQ(selection.rect(), QRect(0, 10, 50, 20));
    selection.nudge(QPoint(10, 0), false);
    EXPECT_EQ(selection.rect(), QRect(10, 10, 50, 20));
    selection.nudge(QPoint(-100, -100), false);
    EXPECT_EQ(selection.rect(), QRect(0, 0, 50, 20));
    selection.nudge(QPoint(1, 1), true);
    EXPECT_EQ(selection.rect(), QRect(0, 0, 51, 21));
    selection.nudge(QPoint(5000, 0), true);
    EXPECT_EQ(selection.rect(), QRect(0, 0, 1000, 21));
}
