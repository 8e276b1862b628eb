#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"

#include <QGuiApplication>

#include <stdexcept>

namespace vistrel {

std::unique_ptr<Platform> loadPlatform()
{
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        return std::make_unique<X11Platform>();
    throw std::runtime_error(
        "Vistrel の実行には X11 の画面（Qt のプラットフォーム \"xcb\"）が必要です"
        "（現在は \"" +
        QGuiApplication::platformName().toStdString() + "\"）。");
}

std::unique_ptr<Platform> loadPlatformWithoutGui()
{
    return std::make_unique<X11Platform>(X11Platform::OwnConnection{});
}

} // namespace vistrel
