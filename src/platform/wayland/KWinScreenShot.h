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
    // The window KWin has active, whole even where covered or beyond the screen; the frame
    // left out when `clientArea`. KWin draws the frame's shadow around it: that is cut off.
    QImage grabActiveWindow(bool clientArea, bool withPointer);
    // The window of this uuid (KWin's window management names windows so), whole even where
    // it reaches beyond the screen, in KWin's own format (with alpha); the frame left out
    // when `clientArea`, else with the frame and its translucent shadow around it.
    QImage grabWindow(const QByteArray& uuid, bool clientArea);

private:
    QImage capture(const QString& method, const QVariantList& leadingArguments,
                   const QVariantMap& options);
    QImage captureAsSent(const QString& method, const QVariantList& leadingArguments,
                         const QVariantMap& options);
};

// The smallest rectangle holding every opaque pixel: a window's frame in KWin's picture of
// it with its translucent shadow.
QRect OpaqueBounds(const QImage& picture);

} // namespace vistrel::wayland
