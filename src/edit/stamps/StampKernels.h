#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

namespace vistrel {

// Draws the cursor with its top-left corner at `point` (no hot-spot offset):
// transparent pixels leave the picture as it is, translucent ones blend.
void DrawCursorImage(QPoint point, QImage& canvas, const QImage& cursor);

// Reads an icon or cursor file by its upper-cased extension (".ICO", ".CUR");
// of several images the 32 x 32 one, else the largest. Null for any other
// extension or a file that cannot be read.
QImage LoadStampFile(const QString& path);

// Where a stamp goes for a pointer position: the point kept on the picture
// (0..width, 0..height), so the stamp and its preview box start where the user sees.
QPoint StampPoint(QPoint pointer, QSize picture);

// The 32 x 32 preview box at a stamp point.
QRect StampPreviewBox(QPoint stampPoint);

} // namespace vistrel
