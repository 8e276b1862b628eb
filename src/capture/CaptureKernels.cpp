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
    // The fill colour as a colour reference 0x808000: red 0, green 128, blue 128.
    QImage laid(cursor.size(), QImage::Format_RGB32);
    laid.fill(QColor(0, 128, 128));
    {
        QPainter painter(&laid);
        painter.drawImage(0, 0, cursor);
    }
    const QRgb transparent = laid.pixel(0, laid.height() - 1);
    const QImage::Format canvasFormat = canvas.format();
    if (canvasFormat != QImage::Format_RGB32 && canvasFormat != QImage::Format_ARGB32)
        canvas.convertTo(QImage::Format_RGB32);

    for (int y = 0; y < laid.height(); ++y) {
        const int targetY = point.y() + y;
        if (targetY < 0 || targetY >= canvas.height())
            continue;
        const auto* source = reinterpret_cast<const QRgb*>(laid.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(canvas.scanLine(targetY));
        for (int x = 0; x < laid.width(); ++x) {
            const int targetX = point.x() + x;
            if (targetX >= 0 && targetX < canvas.width() && source[x] != transparent)
                target[targetX] = source[x] | 0xFF000000u;
        }
    }
    if (canvas.format() != canvasFormat)
        canvas.convertTo(canvasFormat);
}

} // namespace vistrel
