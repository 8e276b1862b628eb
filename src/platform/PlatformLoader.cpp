#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"

#include <QGuiApplication>

#include <stdexcept>

namespace vistrel {

std::unique_ptr<Platform> loadPlatform()
{
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        return std::make_unique<X11Platform>();
    throw std::runtime_error("Vistrel needs an X11 display (Qt platform \"xcb\"); found \"" +
                             QGuiApplication::platformName().toStdString() + "\".");
}

} // namespace vistrel
