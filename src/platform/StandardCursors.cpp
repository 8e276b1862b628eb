#include "platform/StandardCursors.h"

#include <QPainter>
#include <QPainterPath>

namespace vistrel {

QStringList StandardCursorNames(StandardCursor shape)
{
    switch (shape) {
    case StandardCursor::Arrow:
        return {QStringLiteral("left_ptr"), QStringLiteral("default")};
    case StandardCursor::AppStarting:
        return {QStringLiteral("left_ptr_watch"), QStringLiteral("progress")};
    case StandardCursor::Cross:
        return {QStringLiteral("crosshair"), QStringLiteral("cross")};
    case StandardCursor::IBeam:
        return {QStringLiteral("xterm"), QStringLiteral("text")};
    case StandardCursor::No:
        return {QStringLiteral("crossed_circle"), QStringLiteral("not-allowed")};
    case StandardCursor::SizeAll:
        return {QStringLiteral("fleur"), QStringLiteral("size_all")};
    case StandardCursor::SizeNESW:
        return {QStringLiteral("fd_double_arrow"), QStringLiteral("nesw-resize"),
                QStringLiteral("size_bdiag")};
    case StandardCursor::SizeNS:
        return {QStringLiteral("sb_v_double_arrow"), QStringLiteral("ns-resize")};
    case StandardCursor::SizeNWSE:
        return {QStringLiteral("bd_double_arrow"), QStringLiteral("nwse-resize"),
                QStringLiteral("size_fdiag")};
    case StandardCursor::SizeWE:
        return {QStringLiteral("sb_h_double_arrow"), QStringLiteral("ew-resize")};
    case StandardCursor::UpArrow:
        return {QStringLiteral("sb_up_arrow"), QStringLiteral("up_arrow")};
    case StandardCursor::Wait:
        return {QStringLiteral("watch"), QStringLiteral("wait")};
    }
    return {};
}

namespace {

QPainterPath arrowPath(QPointF tip)
{
    QPainterPath path(tip);
    path.lineTo(tip + QPointF(0, 16));
    path.lineTo(tip + QPointF(4, 12));
    path.lineTo(tip + QPointF(7, 19));
    path.lineTo(tip + QPointF(9, 18));
    path.lineTo(tip + QPointF(6, 11));
    path.lineTo(tip + QPointF(11, 11));
    path.closeSubpath();
    return path;
}

// A double arrow along the line from `from` to `to`.
QPainterPath doubleArrow(QPointF from, QPointF to)
{
    QPainterPath path;
    const QLineF line(from, to);
    path.moveTo(from);
    path.lineTo(to);
    for (const QLineF& end : {line, QLineF(to, from)}) {
        QLineF barb = QLineF(end.p2(), end.p1());
        barb.setLength(6);
        for (qreal turn : {-35.0, 35.0}) {
            QLineF side = barb;
            side.setAngle(barb.angle() + turn);
            path.moveTo(side.p1());
            path.lineTo(side.p2());
        }
    }
    return path;
}

void outlined(QPainter& painter, const QPainterPath& path, bool filled)
{
    if (filled) {
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(Qt::black);
        painter.drawPath(path);
        return;
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
}

} // namespace

QImage BuiltInCursorImage(StandardCursor shape)
{
    QImage image(StandardCursorSize, StandardCursorSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (shape) {
    case StandardCursor::Arrow:
        outlined(painter, arrowPath({1.5, 1.5}), true);
        break;
    case StandardCursor::AppStarting: {
        outlined(painter, arrowPath({1.5, 1.5}), true);
        QPainterPath glass;
        glass.addEllipse(QPointF(20, 22), 5, 5);
        outlined(painter, glass, false);
        break;
    }
    case StandardCursor::Cross: {
        QPainterPath cross;
        cross.moveTo(16, 4);
        cross.lineTo(16, 28);
        cross.moveTo(4, 16);
        cross.lineTo(28, 16);
        outlined(painter, cross, false);
        break;
    }
    case StandardCursor::IBeam: {
        QPainterPath beam;
        beam.moveTo(12, 5);
        beam.lineTo(20, 5);
        beam.moveTo(16, 5);
        beam.lineTo(16, 27);
        beam.moveTo(12, 27);
        beam.lineTo(20, 27);
        outlined(painter, beam, false);
        break;
    }
    case StandardCursor::No: {
        QPainterPath sign;
        sign.addEllipse(QPointF(16, 16), 10, 10);
        sign.moveTo(9, 9);
        sign.lineTo(23, 23);
        outlined(painter, sign, false);
        break;
    }
    case StandardCursor::SizeAll:
        outlined(painter, doubleArrow({16, 3}, {16, 29}) + doubleArrow({3, 16}, {29, 16}), false);
        break;
    case StandardCursor::SizeNESW:
        outlined(painter, doubleArrow({26, 6}, {6, 26}), false);
        break;
    case StandardCursor::SizeNS:
        outlined(painter, doubleArrow({16, 3}, {16, 29}), false);
        break;
    case StandardCursor::SizeNWSE:
        outlined(painter, doubleArrow({6, 6}, {26, 26}), false);
        break;
    case StandardCursor::SizeWE:
        outlined(painter, doubleArrow({3, 16}, {29, 16}), false);
        break;
    case StandardCursor::UpArrow: {
        QPainterPath up;
        up.moveTo(16, 3);
        up.lineTo(26, 14);
        up.lineTo(19, 14);
        up.lineTo(19, 29);
        up.lineTo(13, 29);
        up.lineTo(13, 14);
        up.lineTo(6, 14);
        up.closeSubpath();
        outlined(painter, up, true);
        break;
    }
    case StandardCursor::Wait: {
        QPainterPath glass;
        glass.moveTo(9, 4);
        glass.lineTo(23, 4);
        glass.lineTo(16, 16);
        glass.lineTo(23, 28);
        glass.lineTo(9, 28);
        glass.lineTo(16, 16);
        glass.closeSubpath();
        outlined(painter, glass, true);
        break;
    }
    }
    return image;
}

QImage FitCursorImage(const QImage& image)
{
    if (image.isNull())
        return {};
    QImage fitted(StandardCursorSize, StandardCursorSize, QImage::Format_ARGB32);
    fitted.fill(Qt::transparent);
    QPainter painter(&fitted);
    const QSize box(StandardCursorSize, StandardCursorSize);
    const bool larger = image.width() > box.width() || image.height() > box.height();
    painter.drawImage(QPoint(0, 0),
                      larger ? image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                             : image);
    return fitted;
}

} // namespace vistrel
