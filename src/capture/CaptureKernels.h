#pragma once

#include "edit/stamps/StampKernels.h" // DrawCursorImage, shared with stamping

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

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

// Keeps the rectangle inside the display (a monitor, or the whole desktop).
ScreenRect ClipToDisplay(ScreenRect rect, const QRect& display);

// What a full-screen capture takes (the `ALL`/`FULLSCREEN` choice).
enum FullScreenArea { PrimaryMonitor = 0, AllMonitors = 1, PointerMonitor = 2 };

// The whole desktop: the smallest rectangle holding every monitor.
QRect DesktopArea(const QList<QRect>& monitors);

// A region as the settings and the command line write it, "X,Y,W,H" (or with ';'); nothing
// when it is not four whole numbers with a positive width and height.
std::optional<QRect> ParseRegionText(const QString& text);
QString FormatRegionText(const QRect& rect);
// The full-screen rectangle for the choice; `monitors` holds the primary one first. The pointer's
// monitor falls back to the primary one when the pointer is on none of them.
QRect FullScreenRect(int choice, const QList<QRect>& monitors, QPoint pointer);

// Cuts margins off; a picture the margins would use up stays unchanged.
void TrimMargins(QImage& bitmap, int left, int top, int right, int bottom);

} // namespace vistrel
