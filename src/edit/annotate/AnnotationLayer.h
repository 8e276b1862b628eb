#pragma once

#include "edit/annotate/Annotation.h"

#include <QImage>
#include <QWidget>

#include <functional>

class QInputMethodEvent;
class QKeyEvent;

namespace vistrel {

// The objects not yet drawn into the picture, which one is selected and which text is
// being typed.
struct AnnotationScene {
    QList<Annotation> objects;
    int selected = -1;
    int editing = -1;
    QString preedit; // the input method's composition in the edited text
};

// Lies over the image view while objects are editable: shows the picture with every object
// drawn in order exactly as committing will draw them, at the view's zoom, with the
// selected object's handles and the text cursor on top. It takes the keyboard while a text
// is typed, input method included; the mouse passes through to the view.
class AnnotationLayer : public QWidget {
    Q_OBJECT

public:
    // `origin` is where picture pixel (0, 0) lies in the parent.
    AnnotationLayer(QWidget* view, QPoint origin, const AnnotationScene& scene);

    // The picture the objects lie on.
    void setPicture(const QImage& picture);
    // Draws the objects again after any change of the scene.
    void sceneChanged();
    // The picture with the objects as it is shown.
    const QImage& composed() const { return m_composed; }

    // The size of a handle in view pixels, and which handle of the selected object lies
    // under a picture point (-1: none).
    static constexpr int HandleSize = 7;
    int handleAt(QPointF picturePoint) const;
    // View pixels in picture units at the present zoom.
    double pictureUnits(double viewPixels) const;

    // Keys and compositions while a text is typed.
    std::function<void(QKeyEvent*)> onKey;
    std::function<void(QInputMethodEvent*)> onComposition;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    double zoom() const;
    QPointF toView(QPointF picturePoint) const;
    QRectF toView(const QRectF& pictureRect) const;
    QRectF objectsArea() const;
    // The caret after the edited text, in picture coordinates.
    QRectF caret() const;
    void paintPicture(QPainter& painter, const QRect& exposed);
    void paintSelection(QPainter& painter);

    QPoint m_origin;
    const AnnotationScene& m_scene;
    QImage m_picture;
    QImage m_composed;
    QRect m_composedArea; // where m_composed differs from m_picture, at most
};

} // namespace vistrel
