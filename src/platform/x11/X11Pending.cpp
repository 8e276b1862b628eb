// Operations not yet implemented on X11; replaced piece by piece.
#include "platform/x11/X11Platform.h"

namespace vistrel {

WindowId X11Platform::desktopWindow() const { return m_root; }
WindowId X11Platform::foregroundWindow() const { return 0; }
WindowId X11Platform::windowAt(QPoint) const { return 0; }
QRect X11Platform::outerRect(WindowId) const { return {}; }
QRect X11Platform::clientRect(WindowId) const { return {}; }
QString X11Platform::windowTitle(WindowId) const { return {}; }
bool X11Platform::isDesktop(WindowId window) const { return window == m_root; }
bool X11Platform::isOwnWindow(WindowId) const { return false; }
QList<StackedWindow> X11Platform::windowsTopToBottom() const { return {}; }
void X11Platform::activateWindow(WindowId) {}
QImage X11Platform::grabScreen(const QRect&) { return {}; }
QPoint X11Platform::cursorPos() const { return {}; }
void X11Platform::setCursorPos(QPoint) {}
QImage X11Platform::currentCursorImage() { return {}; }
bool X11Platform::beginPicking() { return false; }
PickEvent X11Platform::nextPickEvent() { return {}; }
void X11Platform::showPickFrame(const QRect&) {}
void X11Platform::hidePickFrame() {}
void X11Platform::endPicking() {}
bool X11Platform::anyMouseButtonDown() const { return false; }
void X11Platform::playSoundAsync(const QString&) {}

} // namespace vistrel
