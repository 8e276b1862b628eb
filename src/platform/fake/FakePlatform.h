#pragma once

#include "platform/Platform.h"

#include <QHash>
#include <QQueue>
#include <QTemporaryDir>

namespace vistrel {

// A scripted platform for widget tests: a screen picture, a few windows and
// the pointer, all set by the test. Proves logic only, never X11 behaviour.
class FakePlatform final : public Platform {
public:
    struct Window {
        QRect outer;
        QRect client;
        QString title;
        bool visible = true;
        bool isDock = false;
        bool isOwn = false;
    };

    FakePlatform();

    // Test controls
    QImage screen{1024, 768, QImage::Format_RGB32};
    QRect primaryDisplay; // the whole screen when null
    WindowId foreground = 0;
    QPoint cursor;
    QImage cursorImage;
    QList<PickEvent> pickScript; // consumed front first
    QList<WindowId> stacking;    // top to bottom
    QStringList playedSounds;
    bool trayAvailable = false;
    PlatformAbilities fakeAbilities;
    bool grabDrawsPointer = false; // as a Wayland compositor does
    int pointerGrabCount = 0;
    int grabCount = 0;
    std::function<void()> onGrab; // called before each grab, to change the screen
    QString settingsDir;
    WindowId addWindow(const Window& window);
    Window& window(WindowId id) { return m_windows[id]; }

    QString settingsFolder() const override { return settingsDir; }
    QString privateTempFolder() override { return m_temp.path(); }
    QString loginName() const override { return QStringLiteral("tester"); }
    QString hostName() const override { return QStringLiteral("testhost"); }
    QRect primaryDisplayRect() const override
    {
        return primaryDisplay.isNull() ? QRect(QPoint(0, 0), screen.size()) : primaryDisplay;
    }
    QList<QRect> monitorRects() const override
    {
        return monitors.isEmpty() ? QList<QRect>{primaryDisplayRect()} : monitors;
    }
    QList<QRect> monitors; // the primary first; empty: the primary display alone

    WindowId desktopWindow() const override { return DesktopId; }
    WindowId foregroundWindow() const override { return foreground; }
    WindowId windowAt(QPoint screenPos) const override;
    QRect outerRect(WindowId window) const override;
    QRect clientRect(WindowId window) const override;
    QString windowTitle(WindowId window) const override;
    bool isDesktop(WindowId window) const override { return window == DesktopId; }
    WindowId topLevelOf(WindowId window) const override
    {
        return m_windows.contains(window) ? window : 0;
    }
    bool isOwnWindow(WindowId window) const override;
    QList<StackedWindow> windowsTopToBottom() const override;
    void activateWindow(WindowId window) override { foreground = window; }

    QImage grabScreen(const QRect& rect) override;

    QPoint cursorPos() const override { return cursor; }
    void setCursorPos(QPoint screenPos) override { cursor = screenPos; }
    QImage currentCursorImage() override { return cursorImage; }
    QImage standardCursorImage(StandardCursor shape) override { return BuiltInCursorImage(shape); }

    bool beginPicking() override { return true; }
    PickEvent nextPickEvent() override;
    void showPickFrame(const QRect& rect) override { frames.append(rect); }
    void hidePickFrame() override {}
    void endPicking() override {}
    bool anyMouseButtonDown() const override { return false; }
    QList<QRect> frames;

    // Scrolling: pixels go straight into `screen`; each wheel notch calls
    // `onWheel` with the pointer position, which moves or repaints the picture.
    void setScreenPixel(QPoint screenPos, QRgb colour) override;
    QRgb screenPixel(QPoint screenPos) override;
    void sendWheelDown() override;
    void repaintWindow(WindowId window) override { repainted.append(window); }
    void watchEscape(bool on) override { watchingEscape = on; }
    bool escapePressed() override
    {
        return watchingEscape &&
               (escapeDown || (escapeAfterNotches >= 0 && wheelNotches >= escapeAfterNotches));
    }
    bool escapeDown = false; // Escape counts as pressed whenever it is watched
    std::function<void(QPoint pointer)> onWheel;
    int wheelNotches = 0;
    int escapeAfterNotches = -1; // Escape counts as pressed from this notch on
    bool watchingEscape = false;
    QList<WindowId> repainted;

    void playSoundAsync(const QString& file) override { playedSounds.append(file); }
    bool systemTrayAvailable() const override { return trayAvailable; }
    PlatformAbilities abilities() const override { return fakeAbilities; }
    bool pointerDrawnByGrab() const override { return grabDrawsPointer; }
    QImage grabScreenWithPointer(const QRect& rect) override
    {
        ++pointerGrabCount;
        return grabScreen(rect);
    }

    // Hotkeys: the registered combinations by id; `takenByOthers` are refused
    // like a combination another program holds, and so is one held by another id.
    struct Hotkey {
        quint32 modifiers = 0;
        quint32 keysym = 0;
        bool operator==(const Hotkey&) const = default;
    };
    QHash<int, Hotkey> hotkeys;
    QList<Hotkey> takenByOthers;
    bool registerHotkey(int id, quint32 modifiers, quint32 keysym, QString* reason) override;
    void unregisterHotkey(int id) override { hotkeys.remove(id); }
    void pressHotkey(int id)
    {
        if (hotkeys.contains(id) && hotkeyPressed)
            hotkeyPressed(id);
    }

    static constexpr WindowId DesktopId = 1;

private:
    QHash<WindowId, Window> m_windows;
    WindowId m_nextId = 100;
    QTemporaryDir m_temp;
};

} // namespace vistrel
