#include "capture/CaptureKernels.h"

#include <QRegularExpression>
#include <QStringList>

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

QRect DesktopArea(const QList<QRect>& monitors)
{
    QRect area;
    for (const QRect& monitor : monitors)
        area = area.united(monitor);
    return area;
}

QRect FullScreenRect(int choice, const QList<QRect>& monitors, QPoint pointer)
{
    if (monitors.isEmpty())
        return {};
    if (choice == AllMonitors)
        return DesktopArea(monitors);
    if (choice == PointerMonitor) {
        for (const QRect& monitor : monitors)
            if (monitor.contains(pointer))
                return monitor;
    }
    return monitors.front();
}

std::optional<QRect> ParseRegionText(const QString& text)
{
    const QStringList fields = text.split(QRegularExpression(QStringLiteral("[,;]")));
    if (fields.size() != 4)
        return std::nullopt;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = fields[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return QRect(values[0], values[1], values[2], values[3]);
}

QString FormatRegionText(const QRect& rect)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

void TrimMargins(QImage& bitmap, int left, int top, int right, int bottom)
{
    if (top + bottom >= bitmap.height() || left + right >= bitmap.width())
        return;
    bitmap = bitmap.copy(left, top, bitmap.width() - left - right, bitmap.height() - top - bottom);
}

} // namespace vistrel
