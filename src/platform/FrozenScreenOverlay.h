#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <functional>
#include <memory>

class QPainter;
class QScreen;
class QWidget;

namespace vistrel {

// Full-screen windows, one per monitor, painted with a picture of the screen taken just
// before, so the user chooses on a still screen: the way to pick on a compositor that lets
// no program watch the pointer over other windows. What is drawn over the still picture
// (a frame, a selection) is up to the user of the overlay.
class FrozenScreenOverlay : public QObject {
    Q_OBJECT
public:
    // One monitor: where it lies in screen coordinates and its picture (device pixels).
    struct Monitor {
        QScreen* screen = nullptr;
        QRect geometry;
        QImage picture;
    };

    explicit FrozenScreenOverlay(QList<Monitor> monitors);
    ~FrozenScreenOverlay() override;

    // The overlay windows' title, by which the window system's list tells them.
    static QString Title();

    void show();
    void close();
    // Draws over the still picture, in screen coordinates, on every monitor.
    std::function<void(QPainter& painter)> decorate;
    // Repaints after what `decorate` draws has changed.
    void update();
    QPoint lastPointerPos() const { return m_pointer; }

Q_SIGNALS:
    void pointerMoved(QPoint screenPos);
    void pressed(Qt::MouseButton button, QPoint screenPos);
    void released(Qt::MouseButton button, QPoint screenPos);
    void doubleClicked(QPoint screenPos);
    void keyPressed(int key, Qt::KeyboardModifiers modifiers);

private:
    friend class FrozenScreenWindow;
    void notePointer(QPoint screenPos);

    QList<Monitor> m_monitors;
    QList<QWidget*> m_windows;
    QPoint m_pointer;
};

} // namespace vistrel
