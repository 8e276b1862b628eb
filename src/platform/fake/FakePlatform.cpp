#include "platform/fake/FakePlatform.h"

#include <QPainter>

namespace vistrel {

FakePlatform::FakePlatform()
{
    settingsDir = m_temp.path() + QStringLiteral("/config");
    screen.fill(Qt::darkCyan);
}

WindowId FakePlatform::addWindow(const Window& window)
{
    const WindowId id = m_nextId++;
    m_windows.insert(id, window);
    stacking.prepend(id);
    return id;
}

WindowId FakePlatform::windowAt(QPoint screenPos) const
{
    for (WindowId id : stacking) {
        const Window& w = m_windows[id];
        if (w.visible && w.outer.contains(screenPos))
            return id;
    }
    return DesktopId;
}

QRect FakePlatform::outerRect(WindowId window) const
{
    return window == DesktopId ? QRect(QPoint(0, 0), screen.size()) : m_windows.value(window).outer;
}

QRect FakePlatform::clientRect(WindowId window) const
{
    return window == DesktopId ? QRect(QPoint(0, 0), screen.size())
                               : m_windows.value(window).client;
}

QString FakePlatform::windowTitle(WindowId window) const
{
    return m_windows.value(window).title;
}

bool FakePlatform::isOwnWindow(WindowId window) const
{
    return m_windows.value(window).isOwn;
}

QList<StackedWindow> FakePlatform::windowsTopToBottom() const
{
    QList<StackedWindow> result;
    for (WindowId id : stacking) {
        const Window& w = m_windows[id];
        result.append({id, w.visible, w.isDock, w.isOwn});
    }
    return result;
}

QImage FakePlatform::grabScreen(const QRect& rect)
{
    ++grabCount;
    if (onGrab)
        onGrab();
    QImage picture(rect.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.drawImage(QPoint(0, 0), screen, rect);
    return picture;
}

PickEvent FakePlatform::nextPickEvent()
{
    if (pickScript.isEmpty())
        return {PickEvent::Kind::Cancel, {}};
    PickEvent event = pickScript.takeFirst();
    if (event.kind == PickEvent::Kind::Moved)
        cursor = event.position;
    return event;
}

bool FakePlatform::registerHotkey(int id, quint32 modifiers, quint32 keysym, QString* reason)
{
    const Hotkey wanted{modifiers, keysym};
    bool taken = takenByOthers.contains(wanted);
    for (auto it = hotkeys.cbegin(); it != hotkeys.cend(); ++it)
        taken = taken || (it.key() != id && it.value() == wanted);
    if (taken) {
        if (reason != nullptr)
            *reason = QStringLiteral("taken");
        return false;
    }
    hotkeys.insert(id, wanted);
    return true;
}

void FakePlatform::setScreenPixel(QPoint screenPos, QRgb colour)
{
    if (screen.rect().contains(screenPos))
        screen.setPixel(screenPos, colour | 0xff000000);
}

QRgb FakePlatform::screenPixel(QPoint screenPos)
{
    return screen.rect().contains(screenPos) ? screen.pixel(screenPos) : 0xff000000;
}

void FakePlatform::sendWheelDown()
{
    ++wheelNotches;
    if (onWheel)
        onWheel(cursor);
}

} // namespace vistrel
