#pragma once

#include "edit/stamps/StampKernels.h" // DrawCursorImage, shared with stamping

#include <QImage>
#include <QPoint>
#include <QRect>

namespace vistrel {

// A screen rectangle as the capture code keeps it: right and bottom are
// exclusive, and clipping may leave a negative width or height.
struct ScreenRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int width() const { return Right - Left; }
    int height() const { return Bottom - Top; }
    bool operator==(const ScreenRect&) const = default;
};

// Keeps the rectangle inside the primary display.
ScreenRect ClipToDisplay(ScreenRect rect, const QRect& display);

// Cuts margins off; a picture the margins would use up stays unchanged.
void TrimMargins(QImage& bitmap, int left, int top, int right, int bottom);

} // namespace vistrel
