// Standard cursors of the X server's cursor theme.
#include "platform/CursorTheme.h"
#include "platform/StandardCursors.h"
#include "platform/x11/X11Platform.h"

#include <QGuiApplication>

#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>

namespace vistrel {

QImage X11Platform::standardCursorImage(StandardCursor shape)
{
    auto* native = qGuiApp != nullptr
                       ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                       : nullptr;
    Display* display = native ? native->display() : nullptr;
    return CursorThemeImage(shape, display ? XcursorGetTheme(display) : nullptr);
}

} // namespace vistrel
