#include "platform/MonitorPictures.h"

#include <QPainter>

#include <cmath>

namespace vistrel {

namespace {

qreal scaleOf(const MonitorPicture& output)
{
    return output.logical.width() > 0 ? qreal(output.picture.width()) / output.logical.width()
                                      : 1.0;
}

QRect scaled(const QRect& rect, qreal scale)
{
    const int left = int(std::lround(rect.left() * scale));
    const int top = int(std::lround(rect.top() * scale));
    const int right = int(std::lround((rect.left() + rect.width()) * scale));
    const int bottom = int(std::lround((rect.top() + rect.height()) * scale));
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

qreal CompositionScale(const QRect& area, const QList<MonitorPicture>& outputs)
{
    qreal scale = 0;
    for (const MonitorPicture& output : outputs)
        if (output.logical.intersects(area) && !output.picture.isNull())
            scale = std::max(scale, scaleOf(output));
    return scale > 0 ? scale : 1.0;
}

QImage ComposeMonitorPictures(const QRect& area, const QList<MonitorPicture>& outputs)
{
    // The usual case, one whole output: its picture as it came.
    for (const MonitorPicture& output : outputs)
        if (output.logical == area && !output.picture.isNull() &&
            output.picture.format() == QImage::Format_RGB32 &&
            scaleOf(output) == CompositionScale(area, outputs))
            return output.picture;
    const qreal scale = CompositionScale(area, outputs);
    QImage result(scaled(QRect(QPoint(0, 0), area.size()), scale).size(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    result.fill(Qt::black);
    QPainter painter(&result);
    for (const MonitorPicture& output : outputs) {
        const QRect shared = output.logical.intersected(area);
        if (shared.isEmpty() || output.picture.isNull())
            continue;
        const qreal own = scaleOf(output);
        const QRect source = scaled(shared.translated(-output.logical.topLeft()), own);
        const QRect target = scaled(shared.translated(-area.topLeft()), scale);
        if (source.size() == target.size()) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(target.topLeft(), output.picture, source);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, output.picture, source);
        }
    }
    return result;
}

} // namespace vistrel
