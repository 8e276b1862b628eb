#include "capture/region/RegionSelection.h"

#include <algorithm>
#include <cstdlib>

namespace vistrel {

namespace {

// The rectangle between two corners on the lines between pixels, whichever way the drag
// went: a drag from (10, 10) to (20, 15) takes 10 x 5 pixels. Never less than one pixel.
QRect spanned(QPoint a, QPoint b)
{
    return QRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()),
                 std::max(1, std::abs(a.x() - b.x())), std::max(1, std::abs(a.y() - b.y())));
}

QPoint endCorner(const QRect& r)
{
    return QPoint(r.x() + r.width(), r.y() + r.height());
}

} // namespace

QPoint RegionSelection::clamped(QPoint position) const
{
    return QPoint(std::clamp(position.x(), m_desktop.left(), m_desktop.right()),
                  std::clamp(position.y(), m_desktop.top(), m_desktop.bottom()));
}

QPoint RegionSelection::clampedCorner(QPoint corner) const
{
    const QPoint end = endCorner(m_desktop);
    return QPoint(std::clamp(corner.x(), m_desktop.left(), end.x()),
                  std::clamp(corner.y(), m_desktop.top(), end.y()));
}

QList<QRect> RegionSelection::handleRects(int size) const
{
    if (!hasSelection())
        return {};
    const QRect r = m_rect;
    const int half = size / 2;
    const QList<QPoint> centres = {r.topLeft(),     QPoint(r.center().x(), r.top()),
                                   r.topRight(),    QPoint(r.right(), r.center().y()),
                                   r.bottomRight(), QPoint(r.center().x(), r.bottom()),
                                   r.bottomLeft(),  QPoint(r.left(), r.center().y())};
    QList<QRect> handles;
    for (const QPoint& centre : centres)
        handles << QRect(centre - QPoint(half, half), QSize(size, size));
    return handles;
}

RegionSelection::Grip RegionSelection::gripAt(QPoint position, int handleSize) const
{
    static constexpr Grip order[] = {Grip::TopLeft,     Grip::Top,    Grip::TopRight,   Grip::Right,
                                     Grip::BottomRight, Grip::Bottom, Grip::BottomLeft, Grip::Left};
    const QList<QRect> handles = handleRects(handleSize);
    for (qsizetype i = 0; i < handles.size(); ++i)
        if (handles[i].contains(position))
            return order[i];
    return hasSelection() && m_rect.contains(position) ? Grip::Move : Grip::None;
}

void RegionSelection::press(QPoint position, int handleSize)
{
    position = clamped(position);
    m_startRect = m_rect;
    m_grip = gripAt(position, handleSize);
    m_moveStart = position;
    const QRect r = m_rect;
    switch (m_grip) {
    case Grip::None:
        m_grip = Grip::BottomRight;
        m_anchor = position;
        m_rect = QRect(position, QSize(1, 1));
        break;
    case Grip::TopLeft:
    case Grip::Top:
    case Grip::Left:
        m_anchor = endCorner(r);
        break;
    case Grip::TopRight:
        m_anchor = QPoint(r.x(), r.y() + r.height());
        break;
    case Grip::BottomLeft:
        m_anchor = QPoint(r.x() + r.width(), r.y());
        break;
    case Grip::Right:
    case Grip::Bottom:
    case Grip::BottomRight:
        m_anchor = r.topLeft();
        break;
    case Grip::Move:
        break;
    }
}

void RegionSelection::drag(QPoint position)
{
    if (!dragging())
        return;
    if (m_grip == Grip::Move) {
        position = clamped(position);
        QRect moved = m_startRect.translated(position - m_moveStart);
        // Moved against an edge, the selection stops there and keeps its size.
        moved.moveLeft(
            std::clamp(moved.left(), m_desktop.left(), m_desktop.right() - moved.width() + 1));
        moved.moveTop(
            std::clamp(moved.top(), m_desktop.top(), m_desktop.bottom() - moved.height() + 1));
        m_rect = moved;
        return;
    }
    resizeTo(position);
}

void RegionSelection::resizeTo(QPoint position)
{
    position = clampedCorner(position);
    // An edge handle changes one direction only.
    const QPoint end = endCorner(m_startRect);
    if (m_grip == Grip::Top || m_grip == Grip::Bottom)
        position.setX(m_grip == Grip::Top ? m_startRect.left() : end.x());
    if (m_grip == Grip::Left || m_grip == Grip::Right)
        position.setY(m_grip == Grip::Left ? m_startRect.top() : end.y());
    m_rect = spanned(m_anchor, position);
}

void RegionSelection::release(QPoint position)
{
    drag(position);
    m_grip = Grip::None;
}

void RegionSelection::select(const QRect& rect)
{
    m_rect = rect.intersected(m_desktop);
    m_grip = Grip::None;
}

void RegionSelection::nudge(QPoint delta, bool resize)
{
    if (!hasSelection())
        return;
    if (resize) {
        m_rect = spanned(m_rect.topLeft(), clampedCorner(endCorner(m_rect) + delta));
        return;
    }
    m_startRect = m_rect;
    m_moveStart = m_rect.topLeft();
    m_grip = Grip::Move;
    drag(m_rect.topLeft() + delta);
    m_grip = Grip::None;
}

} // namespace vistrel
