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
    // left out when `clientArea`. KWin draws the frame's shadow around it: that is cut off
    // (`frameSize`, where known, keeps translucent pixels of the program's own).
    QImage grabActiveWindow(bool clientArea, bool withPointer, QSize frameSize = {});
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

// The smallest rectangle holding every opaque pixel: in KWin's picture of a window with its
// translucent shadow, the frame, or its top left where the program draws translucent pixels.
QRect OpaqueBounds(const QImage& picture);
// The frame in such a picture: from the top left of the opaque part, `frameSize` large
// where it is known (from the window list), else the opaque part.
QRect FrameInPicture(const QImage& shadowed, QSize frameSize);

} // namespace vistrel::wayland
