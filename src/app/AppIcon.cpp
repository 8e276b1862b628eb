#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace vistrel {

namespace {

QPixmap drawCamera(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    painter.setPen(QPen(QColor(20, 40, 80), 1.5));
    painter.setBrush(QColor(60, 110, 190));
    painter.drawRoundedRect(QRectF(2, 9, 28, 19), 3, 3);
    painter.drawRect(QRectF(10, 5, 10, 5));
    painter.setBrush(QColor(230, 240, 255));
    painter.drawEllipse(QPointF(16, 18.5), 6.5, 6.5);
    painter.setBrush(QColor(30, 60, 120));
    painter.drawEllipse(QPointF(16, 18.5), 3.5, 3.5);
    return pixmap;
}

} // namespace

QIcon AppIcon()
{
    static const QIcon icon = [] {
        QIcon result;
        for (int size : {16, 22, 24, 32, 48, 64})
            result.addPixmap(drawCamera(size));
        return result;
    }();
    return icon;
}

} // namespace vistrel
