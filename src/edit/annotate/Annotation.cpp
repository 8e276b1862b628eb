#include "edit/annotate/Annotation.h"

#include "edit/filters/GaussianBlur.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPathStroker>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace vistrel {

namespace {

double length(QPointF vector)
{
    return std::hypot(vector.x(), vector.y());
}

QRectF cornersRect(const QPolygonF& points)
{
    return points.size() >= 2 ? QRectF(points[0], points[1]).normalized() : QRectF();
}

QColor contrastOf(const QColor& colour)
{
    return colour.lightness() > 150 ? QColor(Qt::black) : QColor(Qt::white);
}

QPen strokePen(const QColor& colour, double width)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QStringList textLines(const QString& text)
{
    return text.split(QLatin1Char('\n'));
}

// The text as outlines, each line under the last, its first line's top at the anchor.
QPainterPath textPath(const Annotation& annotation, const QString& text)
{
    const QFont font = AnnotationFont(annotation);
    const QFontMetricsF metrics(font);
    QPainterPath path;
    QPointF baseline = annotation.points.value(0) + QPointF(0, metrics.ascent());
    for (const QString& line : textLines(text)) {
        path.addText(baseline, font, line);
        baseline.ry() += metrics.lineSpacing();
    }
    return path;
}

double outlineWidth(const Annotation& annotation)
{
    return std::max(2.0, annotation.fontSize / 8.0);
}

void paintText(QPainter& painter, const Annotation& annotation, const QString& preedit)
{
    const QString shown = annotation.text + preedit;
    const QPainterPath path = textPath(annotation, shown);
    if (annotation.outline)
        painter.strokePath(path,
                           strokePen(contrastOf(annotation.colour), 2 * outlineWidth(annotation)));
    painter.fillPath(path, annotation.colour);
    if (preedit.isEmpty())
        return;
    // The composition in progress is underlined, as input methods expect.
    const QFont font = AnnotationFont(annotation);
    const QFontMetricsF metrics(font);
    const QStringList lines = textLines(shown);
    const QString& last = lines.last();
    const int preeditInLast = int(std::min<qsizetype>(preedit.size(), last.size()));
    const QPointF lineTop =
        annotation.points.value(0) + QPointF(0, metrics.lineSpacing() * double(lines.size() - 1));
    const double from = metrics.horizontalAdvance(last.left(last.size() - preeditInLast));
    const double to = metrics.horizontalAdvance(last);
    const double y = lineTop.y() + metrics.ascent() + metrics.underlinePos() + 1;
    painter.setPen(QPen(annotation.colour, std::max(1.0, metrics.lineWidth())));
    painter.drawLine(QPointF(lineTop.x() + from, y), QPointF(lineTop.x() + to, y));
}

void paintBadge(QPainter& painter, const Annotation& annotation)
{
    const QPointF centre = annotation.points.value(0);
    const double radius = BadgeRadius(annotation.width);
    painter.setPen(Qt::NoPen);
    painter.setBrush(annotation.colour);
    painter.drawEllipse(centre, radius, radius);
    QFont font(annotation.fontFamily);
    font.setBold(true);
    font.setPixelSize(int(std::lround(radius * 1.2)));
    painter.setFont(font);
    painter.setPen(contrastOf(annotation.colour));
    const QRectF box(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    painter.drawText(box, Qt::AlignCenter, QString::number(annotation.number));
}

void paintBlur(QPainter& painter, const Annotation& annotation, const QImage& picture)
{
    const QRect area = BlurArea(annotation, picture.size());
    if (area.isEmpty())
        return;
    // Only what the kernel reads is handed to it: the area and as far around it as its
    // boxes reach, which gives the same pixels as blurring within the whole picture.
    int reach = 0;
    for (int width : BoxWidthsForSigma(annotation.sigma))
        reach += width / 2;
    const QRect read = area.adjusted(-reach, -reach, reach, reach) & picture.rect();
    const QImage blurred =
        GaussianBlurred(picture.copy(read), area.translated(-read.topLeft()), annotation.sigma);
    painter.drawImage(area.topLeft(), blurred, area.translated(-read.topLeft()));
}

} // namespace

ArrowGeometry ArrowShape(QPointF from, QPointF to, int width)
{
    const QPointF along = to - from;
    const double span = length(along);
    if (span <= 0)
        return {to, QPolygonF({to, to, to})};
    const QPointF direction = along / span;
    const QPointF across(-direction.y(), direction.x());
    // The head grows with the stroke, but never past the arrow itself.
    const double headLength = std::min(span, 8.0 + 3.0 * width);
    const double headHalfWidth = headLength * 0.5;
    const QPointF base = to - direction * headLength;
    ArrowGeometry geometry;
    // The shaft stops inside the head, so its cap never shows beside the tip.
    geometry.shaftEnd = to - direction * (headLength * 0.6);
    geometry.head = QPolygonF({to, base + across * headHalfWidth, base - across * headHalfWidth});
    return geometry;
}

QPointF SnapToAngle(QPointF from, QPointF to, double stepDegrees)
{
    const QPointF along = to - from;
    const double span = length(along);
    if (span <= 0)
        return to;
    const double step = qDegreesToRadians(stepDegrees);
    const double angle = std::round(std::atan2(along.y(), along.x()) / step) * step;
    return from + QPointF(std::cos(angle), std::sin(angle)) * span;
}

QPainterPath SmoothedStroke(const QPolygonF& points)
{
    QPainterPath path;
    if (points.isEmpty())
        return path;
    path.moveTo(points[0]);
    if (points.size() == 1) {
        path.lineTo(points[0]);
        return path;
    }
    for (int i = 1; i + 1 < points.size(); ++i)
        path.quadTo(points[i], (points[i] + points[i + 1]) / 2);
    path.lineTo(points.last());
    return path;
}

int MarkerWidth(int lineWidth)
{
    return 8 + 4 * lineWidth;
}

double BadgeRadius(int lineWidth)
{
    return 10.0 + 2.0 * lineWidth;
}

QFont AnnotationFont(const Annotation& annotation)
{
    QFont font(annotation.fontFamily);
    font.setPixelSize(std::max(4, annotation.fontSize));
    return font;
}

QRect BlurArea(const Annotation& annotation, QSize picture)
{
    const QRectF corners = cornersRect(annotation.points);
    // Both dragged pixels belong to the area.
    const QRect area(QPoint(int(std::floor(corners.left())), int(std::floor(corners.top()))),
                     QPoint(int(std::floor(corners.right())), int(std::floor(corners.bottom()))));
    return area & QRect(QPoint(0, 0), picture);
}

QRectF AnnotationBounds(const Annotation& annotation)
{
    const QPolygonF& points = annotation.points;
    switch (annotation.kind) {
    case AnnotationKind::Arrow:
    case AnnotationKind::Line: {
        const double grow = annotation.kind == AnnotationKind::Arrow ? 8.0 + 3.0 * annotation.width
                                                                     : annotation.width;
        return points.boundingRect().adjusted(-grow, -grow, grow, grow);
    }
    case AnnotationKind::Pen:
    case AnnotationKind::Marker: {
        const double grow =
            (annotation.kind == AnnotationKind::Marker ? MarkerWidth(annotation.width)
                                                       : annotation.width) /
                2.0 +
            1;
        return points.boundingRect().adjusted(-grow, -grow, grow, grow);
    }
    case AnnotationKind::Text: {
        const QRectF box =
            textPath(annotation, annotation.text.isEmpty() ? QStringLiteral(" ") : annotation.text)
                .boundingRect();
        const double grow = outlineWidth(annotation) + 1;
        const QFontMetricsF metrics(AnnotationFont(annotation));
        const QRectF lines(points.value(0),
                           QSizeF(1, metrics.lineSpacing() * textLines(annotation.text).size()));
        return box.united(lines).adjusted(-grow, -grow, grow, grow);
    }
    case AnnotationKind::Badge: {
        const double radius = BadgeRadius(annotation.width) + 1;
        return QRectF(points.value(0) - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    }
    case AnnotationKind::Blur:
        return QRectF(BlurArea(annotation, QSize(1 << 20, 1 << 20))).adjusted(-1, -1, 1, 1);
    }
    return {};
}

bool AnnotationHit(const Annotation& annotation, QPointF point, double slack)
{
    switch (annotation.kind) {
    case AnnotationKind::Arrow:
    case AnnotationKind::Line:
    case AnnotationKind::Pen:
    case AnnotationKind::Marker: {
        QPainterPath path =
            annotation.kind == AnnotationKind::Pen || annotation.kind == AnnotationKind::Marker
                ? SmoothedStroke(annotation.points)
                : QPainterPath(annotation.points.value(0));
        if (annotation.kind == AnnotationKind::Arrow || annotation.kind == AnnotationKind::Line)
            path.lineTo(annotation.points.value(1));
        const int width = annotation.kind == AnnotationKind::Marker ? MarkerWidth(annotation.width)
                                                                    : annotation.width;
        QPainterPathStroker stroker;
        stroker.setWidth(width + 2 * slack);
        stroker.setCapStyle(Qt::RoundCap);
        return stroker.createStroke(path).contains(point) ||
               (annotation.kind == AnnotationKind::Arrow &&
                ArrowShape(annotation.points.value(0), annotation.points.value(1), annotation.width)
                    .head.containsPoint(point, Qt::OddEvenFill));
    }
    case AnnotationKind::Badge:
        return length(point - annotation.points.value(0)) <= BadgeRadius(annotation.width) + slack;
    case AnnotationKind::Text:
    case AnnotationKind::Blur:
        return AnnotationBounds(annotation).adjusted(-slack, -slack, slack, slack).contains(point);
    }
    return false;
}

void MoveAnnotation(Annotation& annotation, QPointF offset)
{
    annotation.points.translate(offset);
}

QList<QPointF> AnnotationHandles(const Annotation& annotation)
{
    switch (annotation.kind) {
    case AnnotationKind::Arrow:
    case AnnotationKind::Line:
        return {annotation.points.value(0), annotation.points.value(1)};
    case AnnotationKind::Pen:
    case AnnotationKind::Marker:
    case AnnotationKind::Blur: {
        const QRectF box = annotation.kind == AnnotationKind::Blur
                               ? cornersRect(annotation.points)
                               : annotation.points.boundingRect();
        return {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()};
    }
    case AnnotationKind::Text:
    case AnnotationKind::Badge:
        return {};
    }
    return {};
}

void DragAnnotationHandle(Annotation& annotation, int index, QPointF to)
{
    const QList<QPointF> handles = AnnotationHandles(annotation);
    if (index < 0 || index >= handles.size())
        return;
    if (annotation.kind == AnnotationKind::Arrow || annotation.kind == AnnotationKind::Line) {
        annotation.points[index] = to;
        return;
    }
    if (annotation.kind == AnnotationKind::Blur) {
        const QPointF fixed = handles[(index + 2) % 4];
        annotation.points = QPolygonF({fixed, to});
        return;
    }
    // A stroke scales against the opposite corner; a flat stroke keeps its flat side.
    const QPointF fixed = handles[(index + 2) % 4];
    const QPointF from = handles[index];
    const double scaleX = from.x() != fixed.x() ? (to.x() - fixed.x()) / (from.x() - fixed.x()) : 1;
    const double scaleY = from.y() != fixed.y() ? (to.y() - fixed.y()) / (from.y() - fixed.y()) : 1;
    for (QPointF& point : annotation.points)
        point = fixed + QPointF((point.x() - fixed.x()) * scaleX, (point.y() - fixed.y()) * scaleY);
}

void PaintAnnotation(QPainter& painter, const Annotation& annotation, const QImage& picture,
                     const QString& preedit)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QPolygonF& points = annotation.points;
    switch (annotation.kind) {
    case AnnotationKind::Line:
        painter.setPen(strokePen(annotation.colour, annotation.width));
        painter.drawLine(points.value(0), points.value(1));
        break;
    case AnnotationKind::Arrow: {
        const ArrowGeometry arrow = ArrowShape(points.value(0), points.value(1), annotation.width);
        QPen shaft = strokePen(annotation.colour, annotation.width);
        shaft.setCapStyle(Qt::FlatCap);
        painter.setPen(shaft);
        painter.drawLine(points.value(0), arrow.shaftEnd);
        painter.setPen(Qt::NoPen);
        painter.setBrush(annotation.colour);
        painter.drawPolygon(arrow.head);
        break;
    }
    case AnnotationKind::Pen:
        painter.setPen(strokePen(annotation.colour, annotation.width));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(SmoothedStroke(points));
        break;
    case AnnotationKind::Marker:
        // Multiplying keeps dark text under the colour dark, and white turns the colour.
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.setPen(strokePen(annotation.colour, MarkerWidth(annotation.width)));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(SmoothedStroke(points));
        break;
    case AnnotationKind::Text:
        paintText(painter, annotation, preedit);
        break;
    case AnnotationKind::Badge:
        paintBadge(painter, annotation);
        break;
    case AnnotationKind::Blur:
        paintBlur(painter, annotation, picture);
        break;
    }
    painter.restore();
}

QImage DrawAnnotation(const QImage& picture, const Annotation& annotation)
{
    QImage drawn = picture.convertToFormat(
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    {
        QPainter painter(&drawn);
        PaintAnnotation(painter, annotation, drawn);
    }
    return drawn.format() == picture.format() ? drawn : drawn.convertToFormat(picture.format());
}

int BadgeCounter::next(int picture) const
{
    for (const auto& [each, highest] : m_highest)
        if (each == picture)
            return highest + 1;
    return 1;
}

void BadgeCounter::used(int picture, int number)
{
    for (auto& [each, highest] : m_highest) {
        if (each == picture) {
            highest = std::max(highest, number);
            return;
        }
    }
    m_highest.append({picture, number});
}

void BadgeCounter::forget(int picture)
{
    m_highest.removeIf([picture](const QPair<int, int>& entry) { return entry.first == picture; });
}

} // namespace vistrel
