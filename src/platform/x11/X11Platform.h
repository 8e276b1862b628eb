#pragma once

#include "platform/Platform.h"
#include "platform/PosixSession.h"

struct xcb_connection_t;

namespace vistrel {

class CanberraSound;

namespace x11 {
class X11WindowTree;
class X11ScreenGrabber;
class X11PickSession;
class X11Hotkeys;
class X11EscapeWatch;
class X11DisplayLoss;
} // namespace x11

// The platform on an X server, through xcb on Qt's own connection, or on a connection of its
// own for a run that never starts Qt's window system.
class X11Platform final : public Platform {
public:
    X11Platform();
    // Connects to the server named by DISPLAY; throws std::runtime_error when it cannot.
    struct OwnConnection {};
    explicit X11Platform(OwnConnection);
    ~X11Platform() override;

    QString settingsFolder() const override { return PosixSession::settingsFolder(); }
    QString privateTempFolder() override { return m_session.privateTempFolder(); }
    QString loginName() const override { return PosixSession::loginName(); }
    QString hostName() const override { return PosixSession::hostName(); }

    QRect primaryDisplayRect() const override;
    QList<QRect> monitorRects() const override;

    WindowId desktopWindow() const override;
    WindowId foregroundWindow() const override;
    WindowId windowAt(QPoint screenPos) const override;
    QRect outerRect(WindowId window) const override;
    QRect clientRect(WindowId window) const override;
    QString windowTitle(WindowId window) const override;
    bool isDesktop(WindowId window) const override;
    WindowId topLevelOf(WindowId window) const override;
    bool isOwnWindow(WindowId window) const override;
    QList<StackedWindow> windowsTopToBottom() const override;
    void activateWindow(WindowId window) override;

    QImage grabScreen(const QRect& rect) override;

    QPoint cursorPos() const override;
    void setCursorPos(QPoint screenPos) override;
    QImage currentCursorImage() override;
    QImage standardCursorImage(StandardCursor shape) override;

    bool beginPicking() override;
    PickEvent nextPickEvent() override;
    void showPickFrame(const QRect& rect) override;
    void hidePickFrame() override;
    void endPicking() override;
    bool anyMouseButtonDown() const override;

    void setScreenPixel(QPoint screenPos, QRgb colour) override;
    QRgb screenPixel(QPoint screenPos) override;
    void sendWheelDown() override;
    void repaintWindow(WindowId window) override;
    void watchEscape(bool on) override;
    bool escapePressed() override;

    void playSoundAsync(const QString& file) override;
    bool systemTrayAvailable() const override;

    bool registerHotkey(int id, quint32 modifiers, quint32 keysym, QString* reason) override;
    void unregisterHotkey(int id) override;

private:
    void setUp(int screenNumber);
    // The server's name for a second connection of our own (picking, Escape watch).
    const char* displayName() const;
    QRect primaryMonitorRect() const;
    // The rectangle less the shadow a client-side-decorated window draws around itself.
    QRect withoutShadow(quint32 window, QRect rect) const;
    QRect primaryOutputRect() const;

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    PosixSession m_session;
    std::unique_ptr<x11::X11WindowTree> m_tree;
    std::unique_ptr<x11::X11ScreenGrabber> m_grabber;
    std::unique_ptr<x11::X11PickSession> m_pick;
    std::unique_ptr<CanberraSound> m_sound;
    std::unique_ptr<x11::X11Hotkeys> m_hotkeys;
    std::unique_ptr<x11::X11EscapeWatch> m_escape;
    std::unique_ptr<x11::X11DisplayLoss> m_displayLoss;
    bool m_xfixesReady = false;
    bool m_randrMonitors = false;
    bool m_ownsConnection = false;
    int m_screenNumber = 0;
};

} // namespace vistrel
