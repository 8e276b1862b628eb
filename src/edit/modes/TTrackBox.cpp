#include "edit/modes/TTrackBox.h"

#include "edit/ViewZoom.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vistrel {

namespace {

constexpr int HandleSize = 7;
// How far from a handle's centre a press still grabs it.
constexpr int GrabReach = 6;

} // namespace

TTrackBox::TTrackBox(QWidget* parent, QPoint origin) : QWidget(parent), m_origin(origin)
{
    setObjectName(QStringLiteral("trbRect"));
    setMouseTracking(true);
    parent->installEventFilter(this); // a new zoom resizes the view: the frame follows
    hide();
}

bool TTrackBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize && !m_inner.isNull())
        setInner(m_inner);
    return QWidget::eventFilter(watched, event);
}

void TTrackBox::setInner(const QRect& inner)
{
    m_inner = inner;
    setGeometry(ViewZoom::toView(inner, m_origin, ViewZoom::of(parentWidget()))
                    .adjusted(-Border, -Border, Border, Border));
    update();
}

void TTrackBox::setStyle(const QColor& frameColour, const QString& hint, const Outline& outline)
{
    m_frameColour = frameColour;
    m_outline = outline;
    setToolTip(hint);
    update();
}

QList<QRect> TTrackBox::handleRects() const
{
    const QRect outer = rect().adjusted(1, 1, -1, -1);
    const QPoint centres[] = {outer.topLeft(),     QPoint(outer.center().x(), outer.top()),
                              outer.topRight(),    QPoint(outer.right(), outer.center().y()),
                              outer.bottomRight(), QPoint(outer.center().x(), outer.bottom()),
                              outer.bottomLeft(),  QPoint(outer.left(), outer.center().y())};
    QList<QRect> handles;
    for (const QPoint& centre : centres)
        handles.append(
            QRect(centre - QPoint(HandleSize / 2, HandleSize / 2), QSize(HandleSize, HandleSize)));
    return handles;
}

void TTrackBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The outline of the inner rectangle, combined with the picture beneath.
    // The figure's line as thick as it will be in the picture at this zoom.
    const double zoom = ViewZoom::of(parentWidget());
    QPen outlinePen(m_outline.colour, std::max(1, int(std::lround(m_outline.width * zoom))),
                    m_outline.dotted ? Qt::DotLine : Qt::SolidLine);
    painter.setPen(outlinePen);
    painter.setBrush(Qt::NoBrush);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.translate(Border, Border);
    DrawRubberBand(painter, m_outline.kind, {0, 0}, {width() - 2 * Border, height() - 2 * Border});
    painter.resetTransform();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    // The frame around the inner rectangle, and its eight handles.
    const QRect inside = rect().adjusted(Border, Border, -Border, -Border);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_frameColour);
    const QRect band = inside.adjusted(-2, -2, 2, 2);
    painter.drawRect(QRect(band.left(), band.top(), band.width(), 2));
    painter.drawRect(QRect(band.left(), band.bottom() - 1, band.width(), 2));
    painter.drawRect(QRect(band.left(), band.top(), 2, band.height()));
    painter.drawRect(QRect(band.right() - 1, band.top(), 2, band.height()));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    for (const QRect& handle : handleRects())
        painter.drawRect(handle.adjusted(0, 0, -1, -1));
}

int TTrackBox::edgesAt(QPoint local) const
{
    const QRect outer = rect();
    const bool nearLeft = local.x() < Border + GrabReach / 2;
    const bool nearRight = local.x() >= outer.width() - Border - GrabReach / 2;
    const bool nearTop = local.y() < Border + GrabReach / 2;
    const bool nearBottom = local.y() >= outer.height() - Border - GrabReach / 2;
    const bool midX = std::abs(local.x() - outer.width() / 2) <= GrabReach;
    const bool midY = std::abs(local.y() - outer.height() / 2) <= GrabReach;
    int edges = 0;
    if (nearLeft && (nearTop || nearBottom || midY))
        edges |= Left;
    if (nearRight && (nearTop || nearBottom || midY))
        edges |= Right;
    if (nearTop && (nearLeft || nearRight || midX))
        edges |= Top;
    if (nearBottom && (nearLeft || nearRight || midX))
        edges |= Bottom;
    return edges;
}

void TTrackBox::updateCursor(int edges)
{
    switch (edges) {
    case Left | Top:
    case Right | Bottom:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case Right | Top:
    case Left | Bottom:
        setCursor(Qt::SizeBDiagCursor);
        break;
    case Left:
    case Right:
        setCursor(Qt::SizeHorCursor);
        break;
    case Top:
    case Bottom:
        setCursor(Qt::SizeVerCursor);
        break;
    default:
        setCursor(Qt::SizeAllCursor);
    }
}

QPoint TTrackBox::picturePoint(const QMouseEvent* event) const
{
    return ViewZoom::toPicture(mapToParent(event->position()), m_origin,
                               ViewZoom::of(parentWidget()));
}

void TTrackBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragEdges = edgesAt(event->position().toPoint());
    m_dragFrom = picturePoint(event);
    m_innerAtPress = m_inner;
}

QRect TTrackBox::draggedTo(QPoint point) const
{
    const QPoint delta = point - m_dragFrom;
    if (m_dragEdges == 0) { // a move keeps the size and stays on the picture
        QRect moved = m_innerAtPress.translated(delta);
        if (m_limits.isValid()) {
            moved.moveLeft(std::clamp(moved.x(), 0, std::max(m_limits.width() - moved.width(), 0)));
            moved.moveTop(
                std::clamp(moved.y(), 0, std::max(m_limits.height() - moved.height(), 0)));
        }
        return moved;
    }
    int left = m_innerAtPress.x();
    int top = m_innerAtPress.y();
    int right = left + m_innerAtPress.width();
    int bottom = top + m_innerAtPress.height();
    // An edge dragged across its opposite stops one pixel short of it.
    if (m_dragEdges & Left)
        left = std::min(left + delta.x(), right - 1);
    if (m_dragEdges & Right)
        right = std::max(right + delta.x(), left + 1);
    if (m_dragEdges & Top)
        top = std::min(top + delta.y(), bottom - 1);
    if (m_dragEdges & Bottom)
        bottom = std::max(bottom + delta.y(), top + 1);
    return {left, top, right - left, bottom - top};
}

void TTrackBox::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragEdges < 0) {
        updateCursor(edgesAt(event->position().toPoint()));
        return;
    }
    const QRect next = draggedTo(picturePoint(event));
    if (next == m_inner)
        return;
    setInner(next);
    Q_EMIT trackChanged();
}

void TTrackBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragEdges = -1;
}

} // namespace vistrel
