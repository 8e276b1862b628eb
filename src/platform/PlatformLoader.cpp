#include "platform/Platform.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/x11/X11Platform.h"

#include <QGuiApplication>

#include <stdexcept>

namespace vistrel {

std::unique_ptr<Platform> loadPlatform()
{
    const QString name = QGuiApplication::platformName();
    if (name == QStringLiteral("xcb"))
        return std::make_unique<X11Platform>();
    if (name == QStringLiteral("wayland"))
        return std::make_unique<WaylandPlatform>();
    throw std::runtime_error(
        "Vistrel の実行には X11 か Wayland の画面（Qt のプラットフォーム \"xcb\" か "
        "\"wayland\"）が必要です（現在は \"" +
        name.toStdString() + "\"）。");
}

bool WaylandSessionChosen()
{
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (!chosen.isEmpty())
        return chosen.startsWith("wayland");
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    // Qt starts on Wayland in a Wayland session, and where there is no X display at all.
    return qgetenv("XDG_SESSION_TYPE") == "wayland" || qEnvironmentVariableIsEmpty("DISPLAY");
}

std::unique_ptr<Platform> loadPlatformWithoutGui()
{
    if (WaylandSessionChosen())
        return std::make_unique<WaylandPlatform>(WaylandPlatform::OwnConnection{});
    return std::make_unique<X11Platform>(X11Platform::OwnConnection{});
}

} // namespace vistrel
