#pragma once

#include "capture/CaptureKernels.h"
#include "capture/scroll/FixedColumns.h"
#include "capture/scroll/FrameMatcher.h"
#include "capture/scroll/FrameRows.h"
#include "capture/scroll/ScrollMarkers.h"
#include "capture/scroll/ScrollStitcher.h"
#include "platform/Platform.h"

#include <QImage>
#include <QString>

#include <optional>
#include <vector>

namespace vistrel {

class CaptureEngine;
class TempPictures;
struct Settings;

// The trace box that a scroll capture writes its lines into.
class ScrollTrace {
public:
    virtual ~ScrollTrace() = default;
    virtual void clear() = 0;
    virtual void addLine(const QString& line) = 0;
};

// Scrolls a window one wheel notch at a time, grabs it after every notch and
// stitches the grabs into one tall picture. Each step is measured by marker
// pixels painted on the screen, which travel with programs that move their
// pixels; once they fail (programs that repaint, compositing desktops) every
// further step is measured by matching the new grab against the previous one.
// Frames go to temporary files at once, so only two are held in memory.
class ScrollingCapture {
public:
    // The step list has room for 9,999 steps; a longer scroll stops there and
    // keeps what it has, as Escape does.
    static constexpr int MaxSteps = 9999;

    ScrollingCapture(CaptureEngine& engine, Platform& platform, const Settings& settings,
                     const TempPictures& frames, ScrollTrace* trace);

    // The capture status; on success the picture is in `result`. Throws with the
    // reason when the window stays covered by another one.
    int run(WindowId window, int rectMode, QImage& result);
    // Whether the last run stopped where the pictures could not tell how far the
    // window had moved: the picture may end early.
    bool mayBeIncomplete() const { return m_mayBeIncomplete; }

    // The desktop, its background window and panels are never scrolled: a wheel
    // there switches workspaces or changes what the panel shows.
    static bool Scrollable(const Platform& platform, WindowId window);

    ScrollMarkerState PlaceScrollMarkers(const ScreenRect& rect);

private:
    struct Step {
        int scroll = 0;
        bool matched = false;
        FrameMatch match;
        FixedColumns fixed;
    };

    enum class Ending { Complete, Escape, Terminated };

    Ending scrollAll(const ScreenRect& rect, QImage previous, std::vector<int>& steps,
                     ScrollBands& bands);
    // Raises a covered target; true when it was raised, throws when it stays covered.
    bool bringToFront(WindowId window, const ScreenRect& rect);
    bool waitForRepaint(const ScreenRect& rect);
    // Grabs the first frame again once the screen holds still.
    bool retakeFirst(const ScreenRect& rect, QImage& first);
    bool coveredByAnother(WindowId topLevel, const QRect& area) const;
    QPoint wheelPoint(WindowId window, const ScreenRect& rect) const;
    std::optional<Step> takeStep(const ScreenRect& rect, QImage& previous, int number);
    // A look at a step that could not be measured, and when it was first seen.
    struct UndecidedLook {
        FrameRows rows;
        int since = 0;
    };
    // Whether the look just measured, `waited` milliseconds into the step, could
    // not be measured and has shown the same picture (a blinking caret aside) long
    // enough that looking again will not decide it.
    bool stillUndecidable(const Step& step, int waited, std::optional<UndecidedLook>& undecided);
    QImage grab(const ScreenRect& rect);
    // A grab equal to the one before it: the program has finished painting.
    // Empty when Escape was pressed meanwhile.
    std::optional<QImage> grabSettled(const ScreenRect& rect, int pause);
    Step measure(const QImage& frame, const QImage& previous, const ScrollMarkerState* markers);
    FrameMatch matchWithPrevious(const QImage& frame, const QImage& previous);
    // False when Escape was pressed or the program was told to end meanwhile.
    bool waitWatchingEscape(int milliseconds);
    bool stopRequested();
    void trace(const QString& line);

    CaptureEngine& m_engine;
    Platform& m_platform;
    const Settings& m_settings;
    const TempPictures& m_frames;
    ScrollTrace* m_trace;
    bool m_markersActive = true;
    std::optional<FrameRows> m_previousRows;
    std::optional<FrameRows> m_frameRows;
    int m_lastFrameFile = 0;
    bool m_mayBeIncomplete = false;
};

} // namespace vistrel
