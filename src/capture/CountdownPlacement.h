#pragma once

#include <QPoint>
#include <QSize>

namespace vistrel {

// Where the countdown window stands, by the TIMER/POSITION setting.
enum CountdownPosition { TopLeft = 0, BottomLeft = 1, TopRight = 2, BottomRight = 3, Centre = 4 };

// The top-left corner of a window of outer size `window` on a screen of
// `screen`; an unknown position falls back to the top left.
QPoint CountdownPlacement(int position, QSize screen, QSize window);

} // namespace vistrel
