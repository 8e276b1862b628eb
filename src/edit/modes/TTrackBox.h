#pragma once

#include "edit/modes/RubberBand.h"

#include <QColor>
#include <QWidget>

namespace vistrel {

// The selection frame: a movable, resizable frame with eight handles lying over
// the image view. It keeps its inner rectangle (what it selects) in picture
// pixels and raises trackChanged after every move or resize by the user.
class TTrackBox : public QWidget {
    Q_OBJECT

public:
    // Pixels between the inner rectangle and the frame's outer edge.
    static constexpr int Border = 4;

    // How the inner rectangle is outlined: a dotted rectangle for area
    // selection, the figure being placed for shapes.
    struct Outline {
        BandKind kind = BandKind::Rectangle;
        QColor colour;
        int width = 1;
        bool dotted = true;
    };

    // `origin` is where picture pixel (0, 0) lies in the parent.
    TTrackBox(QWidget* parent, QPoint origin);

    QRect inner() const { return m_inner; }
    void setInner(const QRect& inner);
    // Moves by the user stop at these picture bounds.
    void setLimits(QSize picture) { m_limits = picture; }
    void setStyle(const QColor& frameColour, const QString& hint, const Outline& outline);

Q_SIGNALS:
    void trackChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Which part is under a point: a bit each for the left, top, right and
    // bottom edges it drags, none for the middle, which moves the frame.
    enum Edge { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    int edgesAt(QPoint local) const;
    void updateCursor(int edges);
    QRect draggedTo(QPoint picturePoint) const;
    QPoint picturePoint(const QMouseEvent* event) const;
    QList<QRect> handleRects() const;

    QPoint m_origin;
    QRect m_inner;
    QSize m_limits;
    QColor m_frameColour;
    Outline m_outline;
    int m_dragEdges = -1; // -1: not dragging; 0: moving
    QPoint m_dragFrom;
    QRect m_innerAtPress;
};

} // namespace vistrel
