#include "capture/scroll/ScrollingCapture.h"

#include "capture/CaptureEngine.h"
#include "edit/TempPictures.h"
#include "settings/Settings.h"

#include <algorithm>
#include <stdexcept>

namespace vistrel {

namespace {

constexpr int EscapePollMilliseconds = 5;
// A program may repaint late: a step that seems to end the scroll is looked at
// once more after at least this long.
constexpr int SettleMilliseconds = 100;
// A busy program may not have begun to paint when the step is first looked at:
// "nothing moved" ends the scroll only once it has held at least this long.
constexpr int EndConfirmMilliseconds = 1000;
// A picture that cannot be measured and stays as it is this long (a blinking
// caret aside) will not be measured by looking longer: the scroll ends there.
constexpr int UndecidedHoldMilliseconds = 400;
// Grabs this far apart must agree before a frame is taken; a window that keeps
// changing (an animation) is taken as it is after this many tries.
constexpr int MinSettleProbeMilliseconds = 10;
constexpr int MaxSettleProbeMilliseconds = 50;
constexpr int MaxSettleProbes = 20;
// How long the window manager has to bring a covered target to the front.
constexpr int RaiseMilliseconds = 1500;
constexpr int RaisePollMilliseconds = 20;
constexpr int MaxPauseMilliseconds = 10000;
// How long a desktop's dialog, just answered, may take to leave the screen.
constexpr int AnsweredDialogMilliseconds = 1000;

// Puts the pointer over the target for the wheel, and back where the user had it.
class PointerOverTarget {
public:
    PointerOverTarget(Platform& platform, QPoint target)
        : m_platform(platform), m_home(platform.cursorPos())
    {
        if (target != m_home)
            m_platform.setCursorPos(target);
    }
    ~PointerOverTarget()
    {
        if (m_platform.cursorPos() != m_home)
            m_platform.setCursorPos(m_home);
    }
    PointerOverTarget(const PointerOverTarget&) = delete;
    PointerOverTarget& operator=(const PointerOverTarget&) = delete;

private:
    Platform& m_platform;
    QPoint m_home;
};

// The wheel's device lives from before the pointer moves over the target until it is back.
class WheelSession {
public:
    explicit WheelSession(Platform& platform)
        : m_platform(platform), m_askedUser(m_platform.beginWheel())
    {}
    ~WheelSession() { m_platform.endWheel(); }
    WheelSession(const WheelSession&) = delete;
    WheelSession& operator=(const WheelSession&) = delete;
    bool askedUser() const { return m_askedUser; }

private:
    Platform& m_platform;
    bool m_askedUser;
};

class EscapeWatch {
public:
    explicit EscapeWatch(Platform& platform) : m_platform(platform)
    {
        m_platform.watchEscape(true);
    }
    ~EscapeWatch() { m_platform.watchEscape(false); }
    EscapeWatch(const EscapeWatch&) = delete;
    EscapeWatch& operator=(const EscapeWatch&) = delete;

private:
    Platform& m_platform;
};

// The temporary frames go however the capture ends.
class FrameFiles {
public:
    FrameFiles(const TempPictures& frames, const int& last) : m_frames(frames), m_last(last) {}
    ~FrameFiles() { m_frames.DeleteTempPictures(TempPictures::Kind::Scroll, m_last); }
    FrameFiles(const FrameFiles&) = delete;
    FrameFiles& operator=(const FrameFiles&) = delete;

private:
    const TempPictures& m_frames;
    const int& m_last;
};

QRect toQRect(const ScreenRect& rect)
{
    return {rect.Left, rect.Top, rect.width(), rect.height()};
}

} // namespace

ScrollingCapture::ScrollingCapture(CaptureEngine& engine, Platform& platform,
                                   const Settings& settings, const TempPictures& frames,
                                   ScrollTrace* trace)
    : m_engine(engine), m_platform(platform), m_settings(settings), m_frames(frames), m_trace(trace)
{}

bool ScrollingCapture::Scrollable(const Platform& platform, WindowId window)
{
    if (window == 0 || window == platform.desktopWindow() || platform.isDesktop(window))
        return false;
    const WindowId topLevel = platform.topLevelOf(window);
    if (topLevel != 0 && platform.isDesktop(topLevel))
        return false;
    const QList<StackedWindow> windows = platform.windowsTopToBottom();
    return std::none_of(windows.begin(), windows.end(), [topLevel](const StackedWindow& entry) {
        return entry.id == topLevel && entry.isDock;
    });
}

int ScrollingCapture::run(WindowId window, int rectMode, QImage& result)
{
    m_mayBeIncomplete = false;
    if (window == 0)
        return 0;
    const ScreenRect rect = m_engine.CaptureRect(window, rectMode);
    if (rect.width() <= 0 || rect.height() <= 0)
        return 0;
    if (bringToFront(window, rect) && !waitForRepaint(rect))
        return 0;
    // Where the screen keeps no painted pixels (Wayland), the pictures alone measure each step.
    m_markersActive = m_platform.abilities().scrollMarkers;
    m_previousRows.reset();
    m_lastFrameFile = 0;
    const FrameFiles cleanup(m_frames, m_lastFrameFile);

    QImage first;
    m_engine.GrabScreen(rect, first);
    if (first.isNull())
        return 0;
    m_frames.WriteTempPicture(first, TempPictures::Kind::Scroll, 0);
    if (m_trace != nullptr)
        m_trace->clear();
    trace(QStringLiteral("###START###"));

    std::vector<int> steps;
    ScrollBands bands;
    Ending ending = Ending::Complete;
    {
        const WheelSession wheel(m_platform);
        // The desktop's question covered the target a moment ago: start from what shows now.
        if (wheel.askedUser() && !retakeFirst(rect, first))
            return 0;
        const PointerOverTarget pointer(m_platform, wheelPoint(window, rect));
        const EscapeWatch escape(m_platform);
        ending = scrollAll(rect, std::move(first), steps, bands);
    }
    trace(QStringLiteral("固定列:%1/%2").arg(bands.left).arg(bands.right));
    if (ending == Ending::Terminated) {
        // The program is ending: nothing is kept, and the markers go.
        m_platform.repaintWindow(window);
        return 0;
    }
    const auto readFrame = [this](int number) {
        QImage frame;
        m_frames.ReadTempPicture(frame, TempPictures::Kind::Scroll, number);
        if (frame.isNull())
            throw std::runtime_error(
                m_frames.path(TempPictures::Kind::Scroll, number).toStdString() +
                " を読み込めません");
        return frame;
    };
    QImage stitched = StitchScrollFrames(rect.height(), steps, bands, readFrame,
                                         [this](const QString& line) { trace(line); });
    m_engine.ComposeCapture(stitched, rect);
    // Wipes the markers off the screen.
    m_platform.repaintWindow(window);
    result = std::move(stitched);
    return 1;
}

bool ScrollingCapture::bringToFront(WindowId window, const ScreenRect& rect)
{
    const WindowId topLevel = m_platform.topLevelOf(window);
    const QRect area = toQRect(rect);
    if (topLevel == 0 || !coveredByAnother(topLevel, area))
        return false;
    // Another window over the target would be scrolled into the picture, or get the wheel.
    m_platform.activateWindow(topLevel);
    for (int waited = 0; waited < RaiseMilliseconds; waited += RaisePollMilliseconds) {
        m_engine.wait(RaisePollMilliseconds);
        if (!coveredByAnother(topLevel, area))
            return true;
    }
    throw std::runtime_error("スクロールキャプチャするウィンドウが他のウィンドウに隠れていて、"
                             "前面に出せませんでした。隠しているウィンドウを動かしてから"
                             "やり直してください");
}

bool ScrollingCapture::waitForRepaint(const ScreenRect& rect)
{
    // The parts that were covered still show the other window until the program repaints.
    const int pause = std::clamp(m_settings.ALL.SCROLLWAITTIME, 0, MaxPauseMilliseconds);
    m_engine.wait(std::max(SettleMilliseconds, 4 * pause));
    try {
        return grabSettled(rect, pause).has_value();
    } catch (const std::exception&) {
        return false;
    }
}

bool ScrollingCapture::retakeFirst(const ScreenRect& rect, QImage& first)
{
    m_engine.wait(AnsweredDialogMilliseconds);
    if (!waitForRepaint(rect))
        return false;
    QImage again;
    m_engine.GrabScreen(rect, again);
    if (again.isNull())
        return false;
    first = std::move(again);
    m_frames.WriteTempPicture(first, TempPictures::Kind::Scroll, 0);
    return true;
}

bool ScrollingCapture::coveredByAnother(WindowId topLevel, const QRect& area) const
{
    bool covered = false;
    for (const StackedWindow& entry : m_platform.windowsTopToBottom()) {
        if (entry.id == topLevel)
            return covered;
        // Our own windows (the trace box) stay where the user put them, as always.
        if (entry.visible && !entry.isOwn && m_platform.outerRect(entry.id).intersects(area))
            covered = true;
    }
    return false; // not in the stacking order: nothing is known to lie above it
}

QPoint ScrollingCapture::wheelPoint(WindowId window, const ScreenRect& rect) const
{
    // Inside the window itself: a wheel over a window manager's title bar shades the window.
    QRect area = toQRect(rect) & m_platform.clientRect(window);
    if (area.isEmpty())
        area = toQRect(rect);
    // Where the pointer shows in every grab, it must not sit across the fingerprint strips
    // that tell rows apart.
    if (m_platform.pointerDrawnByGrab())
        return {std::clamp(rect.Left + FrameRows::oneStripColumn(rect.width()), area.left(),
                           area.right()),
                area.center().y()};
    const QPoint pointer = m_platform.cursorPos();
    return area.contains(pointer) ? pointer : area.center();
}

ScrollingCapture::Ending ScrollingCapture::scrollAll(const ScreenRect& rect, QImage previous,
                                                     std::vector<int>& steps, ScrollBands& bands)
{
    bool anyMatched = false;
    while (int(steps.size()) < MaxSteps) {
        std::optional<Step> step;
        try {
            step = takeStep(rect, previous, int(steps.size()) + 1);
        } catch (const std::exception& error) {
            // Keep what is safely on disk rather than stitch a missing frame.
            trace(QStringLiteral("エラー:") + QString::fromStdString(error.what()));
            m_mayBeIncomplete = true;
            return Ending::Complete;
        }
        if (!step) {
            if (stopRequested()) {
                trace(QStringLiteral("中断:終了"));
                return Ending::Terminated;
            }
            trace(QStringLiteral("中断:Esc"));
            return Ending::Escape;
        }
        steps.push_back(step->scroll);
        if (step->matched) {
            bands.top = anyMatched ? std::min(bands.top, step->match.topBand) : step->match.topBand;
            bands.bottom = anyMatched ? std::min(bands.bottom, step->match.bottomBand)
                                      : step->match.bottomBand;
            anyMatched = true;
        }
        bands.left = std::max(bands.left, step->fixed.left);
        bands.right = std::max(bands.right, step->fixed.right);
        if (step->scroll <= 0) {
            // The pictures could not tell whether the window moved: it may not be at its end.
            if (step->match.kind == FrameMatch::Kind::Unsure)
                m_mayBeIncomplete = true;
            return Ending::Complete;
        }
    }
    trace(QStringLiteral("スクロール回数の上限:") + QString::number(MaxSteps));
    return Ending::Complete;
}

std::optional<ScrollingCapture::Step> ScrollingCapture::takeStep(const ScreenRect& rect,
                                                                 QImage& previous, int number)
{
    if (m_platform.escapePressed() || stopRequested())
        return std::nullopt;
    const bool useMarkers = m_markersActive;
    ScrollMarkerState markers;
    if (useMarkers)
        markers = PlaceScrollMarkers(rect);
    m_platform.sendWheelDown();
    // A hand-edited settings file may hold anything; the options dialog allows 10 to 1000.
    const int pause = std::clamp(m_settings.ALL.SCROLLWAITTIME, 0, MaxPauseMilliseconds);
    if (!waitWatchingEscape(pause))
        return std::nullopt;
    std::optional<QImage> frame = grabSettled(rect, pause);
    if (!frame)
        return std::nullopt;
    Step step = measure(*frame, previous, useMarkers ? &markers : nullptr);
    const int look = std::max(SettleMilliseconds, 4 * pause);
    std::optional<UndecidedLook> undecided;
    for (int waited = 0; step.scroll <= 0 && waited < std::max(EndConfirmMilliseconds, look);
         waited += look) {
        if (stillUndecidable(step, waited, undecided)) {
            trace(QStringLiteral("終了:判定不能"));
            break;
        }
        if (!waitWatchingEscape(look))
            return std::nullopt;
        trace(QStringLiteral("再取得"));
        frame = grabSettled(rect, pause);
        if (!frame)
            return std::nullopt;
        step = measure(*frame, previous, useMarkers && m_markersActive ? &markers : nullptr);
    }
    if (step.scroll > 0)
        step.fixed = FindFixedColumns(previous, *frame, step.scroll, step.match.topBand,
                                      step.match.bottomBand);
    m_frames.WriteTempPicture(*frame, TempPictures::Kind::Scroll, number);
    m_lastFrameFile = number;
    previous = std::move(*frame);
    m_previousRows = std::move(m_frameRows);
    m_frameRows.reset();
    return step;
}

bool ScrollingCapture::stillUndecidable(const Step& step, int waited,
                                        std::optional<UndecidedLook>& undecided)
{
    if (step.match.kind != FrameMatch::Kind::Unsure || !m_frameRows) {
        undecided.reset();
        return false;
    }
    // A window still changing (an overshoot glow fading out) may yet settle into an answer.
    if (!undecided || !m_frameRows->alikeThroughout(undecided->rows)) {
        undecided = UndecidedLook{*m_frameRows, waited};
        return false;
    }
    return waited - undecided->since >= UndecidedHoldMilliseconds;
}

QImage ScrollingCapture::grab(const ScreenRect& rect)
{
    QImage frame;
    m_engine.GrabScreen(rect, frame);
    if (frame.isNull())
        throw std::runtime_error("画面を取得できません");
    if (frame.format() != QImage::Format_RGB32)
        frame.convertTo(QImage::Format_RGB32);
    m_frameRows.reset();
    return frame;
}

std::optional<QImage> ScrollingCapture::grabSettled(const ScreenRect& rect, int pause)
{
    QImage frame = grab(rect);
    const int interval =
        std::clamp(pause / 4, MinSettleProbeMilliseconds, MaxSettleProbeMilliseconds);
    for (int probe = 0; probe < MaxSettleProbes; ++probe) {
        if (!waitWatchingEscape(interval))
            return std::nullopt;
        QImage again = grab(rect);
        if (again == frame)
            return frame;
        trace(QStringLiteral("描画中"));
        frame = std::move(again);
    }
    return frame;
}

ScrollingCapture::Step ScrollingCapture::measure(const QImage& frame, const QImage& previous,
                                                 const ScrollMarkerState* markers)
{
    Step step;
    if (markers != nullptr) {
        const int found = FindScrollMarker(frame, *markers);
        step.scroll = found - markers->markerY;
        trace(QStringLiteral("スクロール量(CheckMarker):") + QString::number(found));
        trace(QStringLiteral("スクロール量(pntLeft.Y):") + QString::number(markers->markerY));
        trace(QStringLiteral("スクロール量(iScroll):") + QString::number(step.scroll));
        if (step.scroll > 0) {
            trace(QStringLiteral("計測方法:マーカー"));
            return step;
        }
    }
    // The markers were lost, or did not move: the pictures themselves decide.
    step.match = matchWithPrevious(frame, previous);
    step.scroll = 0;
    switch (step.match.kind) {
    case FrameMatch::Kind::Moved:
        m_markersActive = false;
        step.matched = true;
        step.scroll = step.match.offset;
        trace(QStringLiteral("スクロール量(iScroll):") + QString::number(step.scroll));
        trace(QStringLiteral("計測方法:画像照合 固定帯:%1/%2")
                  .arg(step.match.topBand)
                  .arg(step.match.bottomBand));
        break;
    case FrameMatch::Kind::Still:
        trace(markers != nullptr ? QStringLiteral("計測方法:マーカー 移動なし")
                                 : QStringLiteral("計測方法:画像照合 移動なし"));
        break;
    case FrameMatch::Kind::Unsure:
        trace(QStringLiteral("計測方法:画像照合 判定不能"));
        break;
    }
    return step;
}

FrameMatch ScrollingCapture::matchWithPrevious(const QImage& frame, const QImage& previous)
{
    if (!m_previousRows)
        m_previousRows.emplace(previous);
    if (!m_frameRows)
        m_frameRows.emplace(frame);
    return MatchFrames(previous, *m_previousRows, frame, *m_frameRows);
}

ScrollMarkerState ScrollingCapture::PlaceScrollMarkers(const ScreenRect& rect)
{
    ScrollMarkerState state = ScrollMarkerGeometry(rect.width(), rect.height());
    const int y = rect.Bottom - state.markerY;
    const QRect area = toQRect(rect);
    for (int i = 0; i < 3; ++i) {
        const QPoint first(rect.Left + state.firstGroupX + i, y);
        const QPoint second(rect.Left + state.secondGroupX + i, y);
        // Never paint on a neighbour of a target too narrow for a group.
        if (area.contains(first))
            m_platform.setScreenPixel(first, ScrollMarkerPaint[size_t(i)]);
        if (area.contains(second))
            m_platform.setScreenPixel(second, ScrollMarkerPaint[size_t(i)]);
        state.colours[size_t(i)] = m_platform.screenPixel(first);
    }
    return state;
}

bool ScrollingCapture::waitWatchingEscape(int milliseconds)
{
    for (int left = milliseconds; left > 0; left -= EscapePollMilliseconds) {
        if (m_platform.escapePressed() || stopRequested())
            return false;
        m_engine.wait(std::min(left, EscapePollMilliseconds));
    }
    return !m_platform.escapePressed() && !stopRequested();
}

bool ScrollingCapture::stopRequested()
{
    return m_engine.endRequested && m_engine.endRequested();
}

void ScrollingCapture::trace(const QString& line)
{
    if (m_trace != nullptr)
        m_trace->addLine(line);
}

} // namespace vistrel
