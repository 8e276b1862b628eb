#include "capture/CaptureKernels.h"

#include <QPainter>

#include <algorithm>

namespace vistrel {

ScreenRect ClipToDisplay(ScreenRect rect, const QRect& display)
{
    rect.Left = std::max(rect.Left, display.left());
    rect.Top = std::max(rect.Top, display.top());
    rect.Right = std::min(rect.Right, display.left() + display.width());
    rect.Bottom = std::min(rect.Bottom, display.top() + display.height());
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
