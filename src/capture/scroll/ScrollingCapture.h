#pragma once

#include "capture/CaptureKernels.h"
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

    // The capture status; on success the picture is in `result`.
    int run(WindowId window, int rectMode, QImage& result);

    ScrollMarkerState PlaceScrollMarkers(const ScreenRect& rect);

private:
    struct Step {
        int scroll = 0;
        bool matched = false;
        FrameMatch match;
    };

    void scrollAll(const ScreenRect& rect, QImage previous, std::vector<int>& steps,
                   ScrollBands& bands);
    QPoint wheelPoint(WindowId window, const ScreenRect& rect) const;
    std::optional<Step> takeStep(const ScreenRect& rect, QImage& previous, int number);
    QImage grab(const ScreenRect& rect);
    Step measure(const QImage& frame, const QImage& previous, const ScrollMarkerState* markers);
    FrameMatch matchWithPrevious(const QImage& frame, const QImage& previous);
    // False when Escape was pressed meanwhile.
    bool waitWatchingEscape(int milliseconds);
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
};

} // namespace vistrel
