#include "capture/CaptureKernels.h"

#include <QPainter>

#include <algorithm>

namespace vistrel {

ScreenRect ClipToDisplay(ScreenRect rect, int displayWidth, int displayHeight)
{
    rect.Left = std::max(rect.Left, 0);
    rect.Top = std::max(rect.Top, 0);
    rect.Right = std::min(rect.Right, displayWidth);
    rect.Bottom = std::min(rect.Bottom, displayHeight);
    return rect;
}

void TrimMargins(QImage& bitmap, int left, int top, int right, int bottom)
{
    if (top + bottom >= bitmap.height() || left + right >= bitmap.width())
        return;
    bitmap = bitmap.copy(left, top, bitmap.width() - left - right, bitmap.height() - top - bottom);
}

void DrawCursorImage(QPoint point, QImage& canvas, const QImage& cursor)
{
    if (cursor.isNull() || canvas.isNull())
        return;
    // X cursor images are cropped tight, so a corner pixel may belong to the
    // cursor itself: its own alpha says what is transparent, and soft edges
    // blend with the picture beneath.
    const QImage::Format canvasFormat = canvas.format();
    if (canvasFormat != QImage::Format_RGB32)
        canvas.convertTo(QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(point, cursor.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    if (canvas.format() != canvasFormat)
        canvas.convertTo(canvasFormat);
}

} // namespace vistrel
