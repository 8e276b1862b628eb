#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace vistrel {

// The rectangle the user draws over the still screen: a drag from any corner, eight handles
// that resize it, a move from inside, and the keyboard; always inside the desktop. Screen
// coordinates; no widgets, so every rule can be tested alone.
class RegionSelection {
public:
    enum class Grip {
        None,
        Move,
        Left,
        TopLeft,
        Top,
        TopRight,
        Right,
        BottomRight,
        Bottom,
        BottomLeft
    };

    explicit RegionSelection(const QRect& desktop) : m_desktop(desktop) {}

    // A press starts a resize on a handle, a move inside the selection, else a new one.
    void press(QPoint position, int handleSize);
    void drag(QPoint position);
    void release(QPoint position);
    bool dragging() const { return m_grip != Grip::None; }

    bool hasSelection() const { return !m_rect.isEmpty(); }
    QRect rect() const { return m_rect; }
    // Takes a rectangle as it is (a window under the pointer), clamped to the desktop.
    void select(const QRect& rect);

    // Arrow keys: the selection moves by `delta`, or with `resize` its bottom-right corner.
    void nudge(QPoint delta, bool resize);

    // The grip under a point: a handle, the inside (move), or none.
    Grip gripAt(QPoint position, int handleSize) const;
    // The eight handle squares, corners and edge middles, `size` wide.
    QList<QRect> handleRects(int size) const;

    // Where a pixel lands when clamped to the desktop.
    QPoint clamped(QPoint position) const;
    // Where a corner between pixels lands: up to the desktop's right and bottom edges.
    QPoint clampedCorner(QPoint corner) const;

private:
    void resizeTo(QPoint position);

    QRect m_desktop;
    QRect m_rect;
    Grip m_grip = Grip::None;
    QPoint m_anchor;    // the fixed corner of a new rectangle or a resize
    QPoint m_moveStart; // where a move began
    QRect m_startRect;  // the selection when the move or resize began
};

} // namespace vistrel
