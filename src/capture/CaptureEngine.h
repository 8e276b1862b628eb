#pragma once

#include "capture/CaptureKernels.h"
#include "platform/Platform.h"

#include <QImage>

#include <functional>
#include <optional>

namespace vistrel {

struct Settings;
class ScrollTrace;
class TempPictures;

// Capture kinds and rectangle modes.
enum CaptureKind { FullScreen = 1, ActiveWindow = 2, WindowOrControl = 3, Region = 4 };
enum RectMode { WholeWindow = 1, ClientArea = 2 };

struct CaptureOptions {
    bool Client = false;
    bool Mouse = false;
    bool Trim = false;
    bool TimerOn = false;
    int TimerSeconds = 0;
    int PointMode = 0; // 0 pick with the mouse, 1 screen centre, 2 under the cursor
    // A region capture: the rectangle to take without asking, or the last one taken.
    std::optional<QRect> Region;
    bool LastRegion = false;
};

// What the user chose on the still screen: the rectangle and its picture as it was shown.
struct RegionChoice {
    QRect rect;
    QImage picture;
};

// Finds the target window, copies its rectangle from the screen, draws the
// cursor in and trims, as the options say. A status of 0 means nothing was
// captured; otherwise the picture is in the current image.
class CaptureEngine {
public:
    CaptureEngine(Platform& platform, const Settings& settings, QImage& currentImage);

    CaptureOptions options;

    // Set while a capture and its action run, whichever driver started it.
    bool busy = false;
    // Set when the program must end: a capture still counting down ends
    // without grabbing anything.
    bool abortRequested = false;
    class BusyScope {
    public:
        explicit BusyScope(CaptureEngine& engine) : m_engine(engine) { m_engine.busy = true; }
        ~BusyScope() { m_engine.busy = false; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CaptureEngine& m_engine;
    };

    // Whether the program has been told to end (a termination signal): a scroll
    // capture stops at its next step and keeps nothing.
    std::function<bool()> endRequested;
    // Counts down before a timer capture, false when the user called the capture off; waits
    // are injectable for tests.
    std::function<bool(int milliseconds)> runCountdown;
    std::function<void(int milliseconds)> wait;

    // Where scroll frames are written and the trace box they report to; without
    // a place for the frames a window or control is captured plainly.
    const TempPictures* scrollFrames = nullptr;
    ScrollTrace* scrollTrace = nullptr;

    // Lets the user choose a region over the still screen; nothing when cancelled. Unset
    // where no window can be shown (a run without windows).
    std::function<std::optional<RegionChoice>()> chooseRegion;
    // Told every region taken, to keep it as "the last region".
    std::function<void(const QRect&)> regionTaken;

    int CaptureScreen(int kind);
    // A region of the screen, chosen now or given; the picture is the still screen's.
    int CaptureRegion();
    // The window the last CaptureScreen took its picture of (0 when none was found).
    WindowId lastTarget() const { return m_lastTarget; }
    int CaptureWindow(WindowId window, int rectMode);
    int ScrollCapture(WindowId window, int rectMode);
    // The active window as the window system grabs it, where it tells no window rectangles.
    int CaptureActiveWindowBySystem(int rectMode);
    // Whether the last scroll capture stopped where it could not tell how far the
    // window had moved, so that its picture may end early.
    bool scrollMayBeIncomplete() const { return m_scrollMayBeIncomplete; }
    ScreenRect CaptureRect(WindowId window, int rectMode) const;
    void GrabScreen(const ScreenRect& rect, QImage& bitmap);
    void ComposeCapture(QImage& bitmap, const ScreenRect& rect);
    void DrawCursorImage(QPoint point, QImage& canvas) const;
    WindowId PickWindow();
    WindowId WindowAtPoint(int pointMode);
    void ActivatePreviousWindow();

    // The cursor drawn into captures; the stamp commands load other cursors into it.
    QImage& cursorImage() { return m_cursorImage; }

private:
    WindowId findTarget(int kind);
    void playCaptureSound();

    Platform& m_platform;
    const Settings& m_settings;
    QImage& m_currentImage;
    QImage m_cursorImage;
    WindowId m_lastTarget = 0;
    bool m_scrollMayBeIncomplete = false;
};

} // namespace vistrel
