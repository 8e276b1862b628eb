#pragma once

#include "platform/StandardCursors.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

namespace vistrel {

// A window of the window system: an X window id, a compositor's window id on Wayland (or a
// fake one in tests); 0 means no window.
using WindowId = quint64;

// One top-level window as seen by the stacking-order walk.
struct StackedWindow {
    WindowId id = 0;
    bool visible = false;
    bool isDock = false; // a panel or task bar, never a capture target
    bool isOwn = false;  // one of this program's windows
};

// What happened while the user picks a window with the mouse.
struct PickEvent {
    enum class Kind { Moved, Confirm, Cancel };
    Kind kind = Kind::Cancel;
    QPoint position; // screen pixels, for Moved
};

// Modifier bits of a system-wide hotkey (Win is the Super key on X11).
enum HotkeyModifier : quint32 {
    HotkeyModAlt = 1,
    HotkeyModControl = 2,
    HotkeyModShift = 4,
    HotkeyModWin = 8,
};

// What the window system lets the program do. Where something is missing, the commands
// that need it are disabled and `hint` says why.
struct PlatformAbilities {
    bool pointerInPicture = true;
    bool pickWindow = true;
    bool activeWindow = true;
    // The window system grabs the active window itself (it tells no window rectangles).
    bool activeWindowGrabbedBySystem = false;
    // Said in the status bar before such a grab when the desktop asks the user which window.
    QString activeWindowNote;
    bool scrollCapture = true;
    // Said in the status bar before a scroll capture where the desktop asks the user first.
    QString scrollNote;
    // Whether pixels painted on the screen stay there to measure a scroll step by; without
    // them each step is measured by matching the pictures alone.
    bool scrollMarkers = true;
    bool systemHotkeys = true;
    QString hint;
};

// Said wherever a picture has to come without the pointer asked for.
inline constexpr char PointerNotInPictureText[] =
    "このデスクトップでは画面の取り込みにマウスポインタを含められません。";

// The window-system operations the program needs. Only Qt and standard types
// cross this boundary; the X11 implementation lives in platform/x11.
class Platform {
public:
    virtual ~Platform() = default;

    // Session and files
    virtual QString settingsFolder() const = 0;
    virtual QString privateTempFolder() = 0;
    virtual QString loginName() const = 0;
    virtual QString hostName() const = 0;

    // The primary monitor's rectangle in screen pixels; with several monitors it need not
    // start at (0, 0). This is "the display" that full-screen captures and clipping mean.
    virtual QRect primaryDisplayRect() const = 0;
    // Every monitor's rectangle, the primary one first; at least the primary display.
    virtual QList<QRect> monitorRects() const = 0;

    // Windows (rectangles in screen pixels, right/bottom exclusive as QRect width/height)
    virtual WindowId desktopWindow() const = 0;
    virtual WindowId foregroundWindow() const = 0;
    virtual WindowId windowAt(QPoint screenPos) const = 0;
    virtual QRect outerRect(WindowId window) const = 0;
    virtual QRect clientRect(WindowId window) const = 0;
    // A control without a title of its own gives its top-level window's title.
    virtual QString windowTitle(WindowId window) const = 0;
    virtual bool isDesktop(WindowId window) const = 0;
    // The top-level window that holds a window (the window itself for a top-level
    // one); 0 when there is none (the root, a window that vanished).
    virtual WindowId topLevelOf(WindowId window) const = 0;
    virtual bool isOwnWindow(WindowId window) const = 0;
    virtual QList<StackedWindow> windowsTopToBottom() const = 0;
    virtual void activateWindow(WindowId window) = 0;

    // Screen pixels: a copy of the rectangle as Format_RGB32 (alpha byte 0xff). On a
    // scaled monitor the picture has the monitor's device pixels. A window system that
    // refuses throws std::runtime_error with a Japanese text; a blank picture is never
    // passed off as the screen.
    virtual QImage grabScreen(const QRect& rect) = 0;
    // Where the window system draws the mouse pointer into a grab itself (a compositor
    // that shows no program the pointer's shape), the grab with it.
    virtual bool pointerDrawnByGrab() const { return false; }
    virtual QImage grabScreenWithPointer(const QRect& rect) { return grabScreen(rect); }
    virtual PlatformAbilities abilities() const { return {}; }
    // Where the window system grabs the active window itself: its picture, the frame left
    // out for `clientArea`; null when the user cancelled where the desktop asks which.
    virtual QImage grabActiveWindow(bool /*clientArea*/, bool /*withPointer*/) { return {}; }

    // Pointer
    virtual QPoint cursorPos() const = 0;
    virtual void setCursorPos(QPoint screenPos) = 0;
    // The pointer's current shape, Format_ARGB32 (not premultiplied), with its hotspot as the
    // image's offset(); null when unknown.
    virtual QImage currentCursorImage() = 0;
    // A standard cursor from the user's cursor theme, 32 x 32 Format_ARGB32 with the
    // image at its top-left corner; a built-in drawing when the theme lacks the shape.
    virtual QImage standardCursorImage(StandardCursor shape) = 0;

    // Interactive picking: grab pointer and keyboard, report moves and the
    // final confirm or cancel, show a highlight frame that is never grabbed.
    virtual bool beginPicking() = 0;
    virtual PickEvent nextPickEvent() = 0;
    virtual void showPickFrame(const QRect& rect) = 0;
    virtual void hidePickFrame() = 0;
    virtual void endPicking() = 0;
    virtual bool anyMouseButtonDown() const = 0;

    // Scrolling another program's window. Pixels are painted and read on the
    // screen itself, over whatever window is there.
    virtual void setScreenPixel(QPoint screenPos, QRgb colour) = 0;
    virtual QRgb screenPixel(QPoint screenPos) = 0;
    // One notch of the wheel downwards for the window under the pointer, through
    // the real input path (programs ignore synthetic wheel events); returns once
    // the window system has handled it.
    virtual void sendWheelDown() = 0;
    // Around the notches of one scroll: where the wheel comes from a device made for the
    // purpose, it is made ready before the first notch and let go after the last. True when
    // the desktop asked the user first: its dialog may still be fading over the target.
    virtual bool beginWheel() { return false; }
    virtual void endWheel() {}
    // Asks the window to repaint all of itself, erasing its background first.
    virtual void repaintWindow(WindowId window) = 0;
    // While watching, Escape is kept from other programs and escapePressed()
    // tells whether it was pressed since the watch began.
    virtual void watchEscape(bool on) = 0;
    virtual bool escapePressed() = 0;

    // Plays a sound file without waiting for it; missing files play nothing.
    virtual void playSoundAsync(const QString& file) = 0;

    // Whether a notification area is there to keep the program's icon when its window closes.
    virtual bool systemTrayAvailable() const = 0;

    // System-wide hotkeys: the key (an X keysym) with exactly these modifiers,
    // whatever the lock keys. False with a reason when the combination is
    // taken (by another program or another id), the layout has no such key, or
    // a key other than Print comes without a modifier.
    virtual bool registerHotkey(int id, quint32 modifiers, quint32 keysym, QString* reason) = 0;
    virtual void unregisterHotkey(int id) = 0;
    // The name the desktop shows for a hotkey where it lists them (its shortcut settings);
    // given before the hotkey is registered.
    virtual void describeHotkey(int /*id*/, const QString& /*description*/) {}
    // Called on the event loop, never from inside event delivery, for each press.
    std::function<void(int id)> hotkeyPressed;
    // Called when system-wide hotkeys stop being offered after they were (the desktop turned
    // them down): abilities() says so from then on.
    std::function<void()> systemHotkeysLost;
    // Called once when the connection to the display has broken and the program is ending
    // (the window system offers no way to go on): the last chance to keep what the session
    // changed. Nothing in it may talk to the display.
    std::function<void()> displayLost;
};

// Picks the implementation for the running Qt platform (X11 under xcb, Wayland under
// wayland).
std::unique_ptr<Platform> loadPlatform();
// The platform for a run without a Qt GUI application, on a connection of its own: Wayland
// when the session is a Wayland one (as Qt would choose), else X11; throws
// std::runtime_error when the display cannot be reached.
std::unique_ptr<Platform> loadPlatformWithoutGui();
// Whether a run would use Wayland: QT_QPA_PLATFORM says so, or, with no choice made, the
// session is a Wayland one.
bool WaylandSessionChosen();

} // namespace vistrel
