#pragma once

#include "platform/Platform.h"
#include "platform/PosixSession.h"

#include <deque>
#include <optional>

namespace vistrel {

class CanberraSound;
class FrozenScreenOverlay;

namespace wayland {
class WaylandDisplay;
class ScreenSource;
class CompositorWindows;
struct CompositorWindow;
class EscapeBinding;
class WheelInput;
class WheelDevice;
class GlobalShortcutsPortal;
} // namespace wayland

// The platform on a Wayland compositor. The screen is read through what the compositor
// offers (wlroots' screen copy, KWin's screenshot service, the desktop portal), windows are
// known from the compositor's own interface where it has one (sway, Hyprland), and picking
// happens over a still picture of the screen: a click on a window where windows are known,
// else a drag over the window's area, which then stands for the window.
class WaylandPlatform final : public Platform {
public:
    // Inside Qt's Wayland platform.
    WaylandPlatform();
    // For a run that never starts Qt's window system.
    struct OwnConnection {};
    explicit WaylandPlatform(OwnConnection);
    ~WaylandPlatform() override;

    // Which way this run reads the screen, and from where it knows windows ("none").
    QString describeProviders() const;

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
    QImage grabScreenWithPointer(const QRect& rect) override;
    bool pointerDrawnByGrab() const override;
    PlatformAbilities abilities() const override;
    QImage grabActiveWindow(bool clientArea, bool withPointer) override;

    QPoint cursorPos() const override;
    void setCursorPos(QPoint screenPos) override;
    QImage currentCursorImage() override { return {}; }
    QImage standardCursorImage(StandardCursor shape) override;

    bool beginPicking() override;
    PickEvent nextPickEvent() override;
    void showPickFrame(const QRect& rect) override;
    void hidePickFrame() override;
    void endPicking() override;
    bool anyMouseButtonDown() const override { return false; }

    void setScreenPixel(QPoint, QRgb) override {}
    QRgb screenPixel(QPoint screenPos) override;
    void sendWheelDown() override;
    bool beginWheel() override;
    void endWheel() override;
    void repaintWindow(WindowId) override {}
    void watchEscape(bool on) override;
    bool escapePressed() override;

    void playSoundAsync(const QString& file) override;
    bool systemTrayAvailable() const override;
    bool registerHotkey(int id, quint32 modifiers, quint32 keysym, QString* reason) override;
    void unregisterHotkey(int id) override;
    void describeHotkey(int id, const QString& description) override;

private:
    void probe();
    void logProviders() const;
    // Hotkeys through the portal, unless the desktop turned its session down.
    bool hotkeysFromPortal() const;
    // Every monitor together: the rectangle absolute pointer positions are given in.
    QRect layoutBounds() const;
    QList<wayland::CompositorWindow> windows() const;
    const wayland::CompositorWindow* find(const QList<wayland::CompositorWindow>& list,
                                          WindowId id) const;
    QImage grab(const QRect& rect, bool withPointer);
    void waitUntilOverlayGone();
    // Without a window list the user drags the target's area on the still screen instead.
    bool picksByArea() const;
    void followPickArea(FrozenScreenOverlay& overlay);
    void followPickWindow(FrozenScreenOverlay& overlay);

    PosixSession m_session;
    std::unique_ptr<wayland::WaylandDisplay> m_display;
    std::unique_ptr<wayland::ScreenSource> m_source;
    std::unique_ptr<wayland::CompositorWindows> m_windows;
    std::unique_ptr<CanberraSound> m_sound;
    // Scrolling: where the wheel comes from, the device of the scroll under way, and
    // Escape held for this program meanwhile.
    std::unique_ptr<wayland::WheelInput> m_wheel;
    std::unique_ptr<wayland::WheelDevice> m_wheelDevice;
    std::unique_ptr<wayland::EscapeBinding> m_escape;
    // The desktop's own hotkeys where its portal has them (only for a run with windows).
    std::unique_ptr<wayland::GlobalShortcutsPortal> m_shortcuts;
    bool m_withGui = false;

    // While picking: the windows as they were when the screen froze, and what the user did.
    std::unique_ptr<FrozenScreenOverlay> m_overlay;
    QList<wayland::CompositorWindow> m_frozenWindows;
    bool m_picking = false;
    std::deque<PickEvent> m_pickEvents;
    QRect m_pickFrame;
    // The area dragged while picking by area, and where the drag began (null before).
    QRect m_pickedArea;
    std::optional<QPoint> m_dragFrom;
    mutable QPoint m_lastPointer;
};

} // namespace vistrel
