#pragma once

#include "platform/wayland/ScreenSource.h"

#include <QString>
#include <QVariantMap>

namespace vistrel::wayland {

// KWin's screenshot service on KDE Plasma. KWin answers only programs whose desktop file
// grants it (X-KDE-DBUS-Restricted-Interfaces); the installed vistrel.desktop does.
class KWinScreenShot final : public ScreenSource {
public:
    static bool offered();

    const char* name() const override { return "org.kde.KWin.ScreenShot2"; }
    bool drawsPointer() const override { return true; }
    QImage grab(const QRect& area, bool withPointer) override;
    // The window KWin has active, the frame left out when `clientArea`.
    QImage grabActiveWindow(bool clientArea, bool withPointer);

private:
    QImage capture(const QString& method, const QVariantList& leadingArguments,
                   const QVariantMap& options);
};

} // namespace vistrel::wayland
