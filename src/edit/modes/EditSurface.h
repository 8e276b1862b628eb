#pragma once

#include <QObject>
#include <QPoint>
#include <QPointF>

#include <functional>

class QLabel;
class QScrollArea;

namespace vistrel {

class RubberBandOverlay;
class TTrackBox;

// The image view as the edit modes see it: mouse input in picture pixels,
// scrolling while a drag leaves the visible part, the view's cursor, and the
// rubber band and selection frame lying over it.
class EditSurface : public QObject {
    Q_OBJECT

public:
    EditSurface(QScrollArea* box, QLabel* view);

    std::function<void(QPoint)> onPress;
    std::function<void(QPoint)> onMove;
    std::function<void(QPoint)> onRelease;
    // Esc pressed while the picture has the keyboard.
    std::function<void()> onEscape;

    // Where picture pixel (0, 0) lies in the view.
    QPoint origin() const;
    // The picture pixel under a point of the view, at the view's zoom.
    QPoint picturePoint(QPointF viewPoint) const;
    void setCrossCursor(bool cross);
    // One step of 5 pixels towards a point outside the visible part, per axis.
    void scrollTowards(QPoint picturePoint);
    // The keyboard goes to the scroll box while the mouse works on the picture.
    void focusBox();

    RubberBandOverlay& rubberBand() { return *m_band; }
    TTrackBox& trackBox() { return *m_frame; }
    QLabel* view() const { return m_view; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QScrollArea* m_box;
    QLabel* m_view;
    RubberBandOverlay* m_band;
    TTrackBox* m_frame;
};

} // namespace vistrel
