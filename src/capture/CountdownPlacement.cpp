#include "capture/CountdownPlacement.h"

namespace vistrel {

namespace {

// Half of `value`, a half rounded to the even neighbour (427.5 -> 428, 428.5 -> 428).
int halfToEven(int value)
{
    const int down = value >= 0 ? value / 2 : (value - 1) / 2; // floor
    if (value % 2 == 0)
        return down;
    return down % 2 == 0 ? down : down + 1;
}

} // namespace

QPoint CountdownPlacement(int position, QSize screen, QSize window)
{
    const int right = screen.width() - window.width();
    const int bottom = screen.height() - window.height();
    switch (position) {
    case BottomLeft:
        return {0, bottom};
    case TopRight:
        return {right, 0};
    case BottomRight:
        return {right, bottom};
    case Centre:
        return {halfToEven(right), halfToEven(bottom)};
    default:
        return {0, 0};
    }
}

} // namespace vistrel
