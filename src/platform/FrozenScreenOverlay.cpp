#include "platform/FrozenScreenOverlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace vistrel {

// One monitor's still picture; reports the pointer and keys in screen coordinates.
class FrozenScreenWindow final : public QWidget {
public:
    FrozenScreenWindow(FrozenScreenOverlay& overlay, const FrozenScreenOverlay::Monitor& monitor)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
        , m_overlay(overlay)
        , m_monitor(monitor)
    {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
        setFocusPolicy(Qt::StrongFocus);
        if (monitor.screen != nullptr)
            setScreen(monitor.screen);
        setGeometry(monitor.geometry);
        setWindowTitle(FrozenScreenOverlay::Title());
        // Device pixels are drawn one to one, whatever the monitor's scale.
        m_monitor.picture.setDevicePixelRatio(
            monitor.geometry.width() > 0 ? qreal(monitor.picture.width()) / monitor.geometry.width()
                                         : 1.0);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), m_monitor.picture);
        if (m_overlay.decorate) {
            painter.translate(-m_monitor.geometry.topLeft());
            m_overlay.decorate(painter);
        }
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        m_overlay.notePointer(toScreen(event));
        Q_EMIT m_overlay.pointerMoved(toScreen(event));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        m_overlay.notePointer(toScreen(event));
        Q_EMIT m_overlay.pressed(event->button(), toScreen(event));
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        Q_EMIT m_overlay.released(event->button(), toScreen(event));
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        Q_EMIT m_overlay.doubleClicked(toScreen(event));
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        Q_EMIT m_overlay.keyPressed(event->key(), event->modifiers());
    }

private:
    // Where the compositor puts the window is the monitor's place; Wayland tells a client
    // no global positions of its own.
    QPoint toScreen(const QMouseEvent* event) const
    {
        return m_monitor.geometry.topLeft() + event->position().toPoint();
    }

    FrozenScreenOverlay& m_overlay;
    FrozenScreenOverlay::Monitor m_monitor;
};

QString FrozenScreenOverlay::Title()
{
    return QStringLiteral("Vistrel - 画面の選択");
}

FrozenScreenOverlay::FrozenScreenOverlay(QList<Monitor> monitors) : m_monitors(std::move(monitors))
{
    if (!m_monitors.isEmpty())
        m_pointer = m_monitors.first().geometry.center();
}

FrozenScreenOverlay::~FrozenScreenOverlay()
{
    close();
}

void FrozenScreenOverlay::show()
{
    for (const Monitor& monitor : m_monitors) {
        auto* window = new FrozenScreenWindow(*this, monitor);
        window->showFullScreen();
        m_windows << window;
    }
    if (!m_windows.isEmpty()) {
        m_windows.first()->activateWindow();
        m_windows.first()->setFocus();
    }
}

void FrozenScreenOverlay::close()
{
    qDeleteAll(m_windows);
    m_windows.clear();
}

void FrozenScreenOverlay::update()
{
    for (QWidget* window : m_windows)
        window->update();
}

void FrozenScreenOverlay::notePointer(QPoint screenPos)
{
    m_pointer = screenPos;
}

} // namespace vistrel
