#include "capture/region/RegionSelector.h"

#include "platform/FrozenScreenOverlay.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace vistrel {

namespace {

constexpr int HandleSize = 7;
constexpr int MagnifiedPixels = 15; // an odd count, the pointer's pixel in the middle
constexpr int Magnification = 8;
constexpr int MagnifierGap = 20;
const QColor Dimmed(0, 0, 0, 110);
const QColor SelectionColour(0, 150, 255);

} // namespace

RegionSelector::RegionSelector(Platform& platform)
    : m_platform(platform), m_desktop(DesktopArea(platform.monitorRects())), m_selection(m_desktop)
{}

RegionSelector::~RegionSelector() = default;

std::optional<RegionChoice> RegionSelector::choose()
{
    QList<FrozenScreenOverlay::Monitor> shown;
    for (const QRect& monitor : m_platform.monitorRects()) {
        const QImage picture = m_platform.grabScreen(monitor);
        m_monitors << MonitorPicture{monitor, picture};
        shown << FrozenScreenOverlay::Monitor{QGuiApplication::screenAt(monitor.center()), monitor,
                                              picture};
    }
    for (const StackedWindow& window : m_platform.windowsTopToBottom())
        if (window.visible && !window.isOwn && !window.isDock)
            m_windows << m_platform.outerRect(window.id);
    m_pointer = m_selection.clamped(m_platform.cursorPos());

    m_overlay = std::make_unique<FrozenScreenOverlay>(shown);
    m_overlay->decorate = [this](QPainter& painter) { paint(painter); };
    QObject::connect(m_overlay.get(), &FrozenScreenOverlay::pointerMoved,
                     [this](QPoint position) { onMoved(position); });
    QObject::connect(
        m_overlay.get(), &FrozenScreenOverlay::pressed,
        [this](Qt::MouseButton button, QPoint position) { onPressed(button, position); });
    QObject::connect(
        m_overlay.get(), &FrozenScreenOverlay::released,
        [this](Qt::MouseButton button, QPoint position) { onReleased(button, position); });
    QObject::connect(m_overlay.get(), &FrozenScreenOverlay::doubleClicked, [this](QPoint) {
        if (m_selection.hasSelection())
            take(m_selection.rect());
    });
    QObject::connect(m_overlay.get(), &FrozenScreenOverlay::keyPressed,
                     [this](int key, Qt::KeyboardModifiers modifiers) { onKey(key, modifiers); });
    m_hovered = windowUnder(m_pointer);
    m_overlay->show();

    QEventLoop loop;
    while (!m_finished)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    m_overlay.reset();
    QCoreApplication::processEvents(); // the still screen leaves before anything is grabbed
    return m_result;
}

QRect RegionSelector::windowUnder(QPoint position) const
{
    for (const QRect& window : m_windows)
        if (window.contains(position))
            return window.intersected(m_desktop);
    return {};
}

void RegionSelector::onMoved(QPoint position)
{
    m_pointer = m_selection.clamped(position);
    if ((position - m_pressedAt).manhattanLength() > 2)
        m_moved = true;
    if (m_selection.dragging())
        m_selection.drag(position);
    else if (!m_selection.hasSelection())
        m_hovered = windowUnder(m_pointer);
    m_overlay->update();
}

void RegionSelector::onPressed(Qt::MouseButton button, QPoint position)
{
    if (button == Qt::RightButton) {
        cancel();
        return;
    }
    if (button != Qt::LeftButton)
        return;
    m_pressedAt = position;
    m_moved = false;
    m_selection.press(position, HandleSize);
    m_overlay->update();
}

void RegionSelector::onReleased(Qt::MouseButton button, QPoint position)
{
    if (button != Qt::LeftButton || !m_selection.dragging())
        return;
    m_selection.release(position);
    // A click without a drag takes the window under the pointer, exactly.
    if (!m_moved && m_selection.rect().size() == QSize(1, 1)) {
        if (!m_hovered.isEmpty()) {
            take(m_hovered);
            return;
        }
        m_selection.select({});
    }
    m_overlay->update();
}

void RegionSelector::onKey(int key, Qt::KeyboardModifiers modifiers)
{
    const int step = modifiers & Qt::ShiftModifier ? 10 : 1;
    QPoint delta;
    switch (key) {
    case Qt::Key_Escape:
        cancel();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_selection.hasSelection())
            take(m_selection.rect());
        else if (!m_hovered.isEmpty())
            take(m_hovered);
        return;
    case Qt::Key_Left:
        delta = QPoint(-step, 0);
        break;
    case Qt::Key_Right:
        delta = QPoint(step, 0);
        break;
    case Qt::Key_Up:
        delta = QPoint(0, -step);
        break;
    case Qt::Key_Down:
        delta = QPoint(0, step);
        break;
    default:
        return;
    }
    if (m_selection.hasSelection()) {
        m_selection.nudge(delta, modifiers & Qt::ControlModifier);
    } else {
        m_pointer = m_selection.clamped(m_pointer + delta);
        m_platform.setCursorPos(m_pointer);
        m_hovered = windowUnder(m_pointer);
    }
    m_overlay->update();
}

void RegionSelector::take(const QRect& rect)
{
    m_result = RegionChoice{rect, ComposeMonitorPictures(rect, m_monitors)};
    m_finished = true;
}

void RegionSelector::cancel()
{
    m_result.reset();
    m_finished = true;
}

QColor RegionSelector::pixelAt(QPoint position) const
{
    for (const MonitorPicture& monitor : m_monitors) {
        if (!monitor.logical.contains(position) || monitor.picture.isNull())
            continue;
        const qreal scale = qreal(monitor.picture.width()) / monitor.logical.width();
        const QPoint inside = ((position - monitor.logical.topLeft()) * scale);
        return monitor.picture.pixelColor(inside);
    }
    return Qt::black;
}

void RegionSelector::paint(QPainter& painter) const
{
    const QRect shownRect = m_selection.hasSelection() ? m_selection.rect() : m_hovered;
    QRegion dim(m_desktop);
    if (!shownRect.isEmpty())
        dim -= QRegion(shownRect);
    for (const QRect& part : dim)
        painter.fillRect(part, Dimmed);

    painter.setBrush(Qt::NoBrush);
    if (!m_selection.hasSelection() && !m_hovered.isEmpty()) {
        QPen pen(SelectionColour, 2);
        painter.setPen(pen);
        painter.drawRect(QRectF(m_hovered).adjusted(1, 1, -1, -1));
    }
    if (m_selection.hasSelection()) {
        QPen pen(SelectionColour);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawRect(QRectF(m_selection.rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        for (const QRect& handle : m_selection.handleRects(HandleSize))
            painter.fillRect(handle, SelectionColour);
        const qreal scale = CompositionScale(m_selection.rect(), m_monitors);
        const QString size = QStringLiteral("%1, %2  %3 × %4")
                                 .arg(m_selection.rect().x())
                                 .arg(m_selection.rect().y())
                                 .arg(qRound(m_selection.rect().width() * scale))
                                 .arg(qRound(m_selection.rect().height() * scale));
        const QPoint label = m_selection.rect().topLeft() + QPoint(0, -6);
        painter.setPen(Qt::white);
        painter.drawText(
            label.y() > m_desktop.top() + 14 ? label : m_selection.rect().topLeft() + QPoint(4, 16),
            size);
    } else {
        // Crosshair lines through the pointer over the whole desktop.
        painter.setPen(QPen(QColor(255, 255, 255, 160), 0, Qt::DashLine));
        painter.drawLine(QPoint(m_desktop.left(), m_pointer.y()),
                         QPoint(m_desktop.right(), m_pointer.y()));
        painter.drawLine(QPoint(m_pointer.x(), m_desktop.top()),
                         QPoint(m_pointer.x(), m_desktop.bottom()));
    }
    paintMagnifier(painter);
}

void RegionSelector::paintMagnifier(QPainter& painter) const
{
    const int side = MagnifiedPixels * Magnification;
    const int textHeight = 18;
    QRect box(m_pointer + QPoint(MagnifierGap, MagnifierGap), QSize(side, side + textHeight));
    // Kept inside the desktop: flipped to the other side of the pointer near an edge.
    if (box.right() > m_desktop.right())
        box.moveRight(m_pointer.x() - MagnifierGap);
    if (box.bottom() > m_desktop.bottom())
        box.moveBottom(m_pointer.y() - MagnifierGap);
    const int half = MagnifiedPixels / 2;
    for (int dy = -half; dy <= half; ++dy)
        for (int dx = -half; dx <= half; ++dx)
            painter.fillRect(QRect(box.topLeft() + QPoint((dx + half) * Magnification,
                                                          (dy + half) * Magnification),
                                   QSize(Magnification, Magnification)),
                             pixelAt(m_pointer + QPoint(dx, dy)));
    painter.setPen(Qt::red);
    painter.drawRect(QRect(box.topLeft() + QPoint(half * Magnification, half * Magnification),
                           QSize(Magnification - 1, Magnification - 1)));
    const QRect text(box.left(), box.top() + side, side, textHeight);
    painter.fillRect(text, QColor(0, 0, 0, 200));
    painter.setPen(Qt::white);
    painter.drawText(text, Qt::AlignCenter,
                     pixelAt(m_pointer).name(QColor::HexRgb).toUpper().replace(u'X', u'x'));
    painter.setPen(QColor(255, 255, 255, 200));
    painter.drawRect(QRect(box.topLeft(), QSize(side - 1, side + textHeight - 1)));
}

} // namespace vistrel
