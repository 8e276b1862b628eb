#include "capture/CaptureEngine.h"

#include "capture/scroll/ScrollingCapture.h"
#include "settings/Settings.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QThread>

#include <stdexcept>

namespace vistrel {

namespace {

// Ends the picking grab however the picking loop is left.
class PickingSession {
public:
    explicit PickingSession(Platform& platform) : m_platform(platform) {}
    ~PickingSession()
    {
        m_platform.hidePickFrame();
        m_platform.endPicking();
    }
    PickingSession(const PickingSession&) = delete;
    PickingSession& operator=(const PickingSession&) = delete;

private:
    Platform& m_platform;
};

void sleepWithoutEvents(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

} // namespace

CaptureEngine::CaptureEngine(Platform& platform, const Settings& settings, QImage& currentImage)
    : wait(sleepWithoutEvents)
    , m_platform(platform)
    , m_settings(settings)
    , m_currentImage(currentImage)
{}

int CaptureEngine::CaptureScreen(int kind)
{
    if (options.TimerOn && runCountdown && !runCountdown(options.TimerSeconds * 1000))
        return 0;
    if (abortRequested)
        return 0;
    wait(m_settings.ALL.WAITTIME);
    const int rectMode = options.Client ? ClientArea : WholeWindow;
    int status = 0;
    if (kind == Region) {
        m_lastTarget = 0;
        status = CaptureRegion();
    } else if (kind == ActiveWindow && m_platform.abilities().activeWindowGrabbedBySystem) {
        m_lastTarget = 0;
        status = CaptureActiveWindowBySystem(rectMode);
    } else {
        m_lastTarget = findTarget(kind);
        status = kind == WindowOrControl && m_settings.ALL.AUTOSCROLL
                     ? ScrollCapture(m_lastTarget, rectMode)
                     : CaptureWindow(m_lastTarget, rectMode);
    }
    if (status != 0)
        playCaptureSound();
    return status;
}

WindowId CaptureEngine::findTarget(int kind)
{
    switch (kind) {
    case FullScreen:
        return m_platform.desktopWindow();
    case ActiveWindow:
        // Taken now, after countdown and wait: whatever the user brought to the front.
        return m_platform.foregroundWindow();
    case WindowOrControl:
        return options.PointMode == 1 || options.PointMode == 2 ? WindowAtPoint(options.PointMode)
                                                                : PickWindow();
    default:
        return 0;
    }
}

void CaptureEngine::playCaptureSound()
{
    const QString& file = m_settings.ALL.WAVEFILE;
    if (m_settings.ALL.WAVECALL && !file.isEmpty() && QFileInfo(file).isFile())
        m_platform.playSoundAsync(file);
}

int CaptureEngine::CaptureWindow(WindowId window, int rectMode)
{
    if (window == 0)
        return 0;
    const ScreenRect rect = CaptureRect(window, rectMode);
    // A window wholly off the display has nothing to copy: that is no capture.
    if (rect.width() <= 0 || rect.height() <= 0)
        return 0;
    // A 1 x 1 grab is what an aborted pick leaves: it must not replace the picture.
    if (rect.width() == 1 && rect.height() == 1)
        return 0;
    QImage bitmap;
    GrabScreen(rect, bitmap);
    if (bitmap.isNull())
        return 0;
    ComposeCapture(bitmap, rect);
    m_currentImage = bitmap;
    return 1;
}

int CaptureEngine::CaptureRegion()
{
    std::optional<QRect> given = options.Region;
    if (options.LastRegion) {
        given = ParseRegionText(m_settings.ALL.LASTREGION);
        if (!given)
            throw std::runtime_error("前回の範囲がありません。先に「範囲を指定」でキャプチャ"
                                     "してください。");
    }
    QImage bitmap;
    QRect rect;
    if (given) {
        rect = given->intersected(DesktopArea(m_platform.monitorRects()));
        if (rect.isEmpty())
            throw std::runtime_error("指定された範囲は画面の外です。");
        const ScreenRect area{rect.left(), rect.top(), rect.left() + rect.width(),
                              rect.top() + rect.height()};
        GrabScreen(area, bitmap);
        if (!bitmap.isNull())
            ComposeCapture(bitmap, area);
    } else {
        const std::optional<RegionChoice> choice =
            chooseRegion ? chooseRegion() : std::optional<RegionChoice>();
        if (!choice)
            return 0;
        rect = choice->rect;
        bitmap = choice->picture;
        // The pointer on the still screen was the selection's cross: it is not drawn in.
        if (options.Trim)
            TrimMargins(bitmap, m_settings.TRIM.LEFT, m_settings.TRIM.TOP, m_settings.TRIM.RIGHT,
                        m_settings.TRIM.BOTTOM);
    }
    if (bitmap.isNull())
        return 0;
    if (regionTaken)
        regionTaken(rect);
    m_currentImage = bitmap;
    return 1;
}

int CaptureEngine::CaptureActiveWindowBySystem(int rectMode)
{
    QImage bitmap = m_platform.grabActiveWindow(rectMode == ClientArea, options.Mouse);
    if (bitmap.isNull())
        return 0;
    if (options.Trim)
        TrimMargins(bitmap, m_settings.TRIM.LEFT, m_settings.TRIM.TOP, m_settings.TRIM.RIGHT,
                    m_settings.TRIM.BOTTOM);
    m_currentImage = bitmap;
    return 1;
}

int CaptureEngine::ScrollCapture(WindowId window, int rectMode)
{
    m_scrollMayBeIncomplete = false;
    if (scrollFrames == nullptr || !m_platform.abilities().scrollCapture ||
        !ScrollingCapture::Scrollable(m_platform, window))
        return CaptureWindow(window, rectMode);
    ScrollingCapture capture(*this, m_platform, m_settings, *scrollFrames, scrollTrace);
    QImage picture;
    const int status = capture.run(window, rectMode, picture);
    m_scrollMayBeIncomplete = status != 0 && capture.mayBeIncomplete();
    if (status != 0)
        m_currentImage = std::move(picture);
    return status;
}

ScreenRect CaptureEngine::CaptureRect(WindowId window, int rectMode) const
{
    const QRect area =
        rectMode == ClientArea ? m_platform.clientRect(window) : m_platform.outerRect(window);
    const ScreenRect rect{area.left(), area.top(), area.left() + area.width(),
                          area.top() + area.height()};
    // The desktop window stands for the full screen, whose extent the user chooses; any
    // other window may lie on any monitor and is cut only where the desktop ends.
    const QList<QRect> monitors = m_platform.monitorRects();
    const QRect display =
        window == m_platform.desktopWindow()
            ? FullScreenRect(m_settings.ALL.FULLSCREEN, monitors, m_platform.cursorPos())
            : DesktopArea(monitors);
    return ClipToDisplay(rect, display);
}

void CaptureEngine::GrabScreen(const ScreenRect& rect, QImage& bitmap)
{
    if (rect.width() < 0 || rect.height() < 0)
        return;
    const QRect area(rect.Left, rect.Top, rect.width(), rect.height());
    bitmap = options.Mouse && m_platform.pointerDrawnByGrab()
                 ? m_platform.grabScreenWithPointer(area)
                 : m_platform.grabScreen(area);
}

void CaptureEngine::ComposeCapture(QImage& bitmap, const ScreenRect& rect)
{
    if (options.Mouse && !m_platform.pointerDrawnByGrab()) {
        m_cursorImage = m_platform.currentCursorImage();
        // The cursor's hotspot (the arrow's tip, the I-beam's middle) sits on the pointer.
        const QPoint point =
            m_platform.cursorPos() - m_cursorImage.offset() - QPoint(rect.Left, rect.Top);
        DrawCursorImage(point, bitmap);
    }
    if (options.Trim)
        TrimMargins(bitmap, m_settings.TRIM.LEFT, m_settings.TRIM.TOP, m_settings.TRIM.RIGHT,
                    m_settings.TRIM.BOTTOM);
}

void CaptureEngine::DrawCursorImage(QPoint point, QImage& canvas) const
{
    vistrel::DrawCursorImage(point, canvas, m_cursorImage);
}

WindowId CaptureEngine::PickWindow()
{
    if (!m_platform.beginPicking())
        return 0;
    const PickingSession session(m_platform);
    WindowId picked = 0;
    QRect frame;
    const auto track = [&](QPoint position) {
        const WindowId window = m_platform.windowAt(position);
        const QRect rect = m_platform.outerRect(window);
        if (window != picked || rect != frame)
            m_platform.showPickFrame(rect);
        picked = window;
        frame = rect;
    };
    track(m_platform.cursorPos());
    for (;;) {
        const PickEvent event = m_platform.nextPickEvent();
        if (event.kind == PickEvent::Kind::Confirm)
            return picked;
        if (event.kind == PickEvent::Kind::Cancel)
            return 0;
        track(event.position);
    }
}

WindowId CaptureEngine::WindowAtPoint(int pointMode)
{
    if (pointMode == 1) {
        const QRect display = m_platform.primaryDisplayRect();
        m_platform.setCursorPos(display.topLeft() +
                                QPoint(display.width() / 2, display.height() / 2));
    }
    return m_platform.windowAt(m_platform.cursorPos());
}

void CaptureEngine::ActivatePreviousWindow()
{
    for (const StackedWindow& window : m_platform.windowsTopToBottom()) {
        if (window.isOwn || !window.visible || window.isDock)
            continue;
        m_platform.activateWindow(window.id);
        return;
    }
}

} // namespace vistrel
