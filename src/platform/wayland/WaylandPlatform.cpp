#include "platform/wayland/WaylandPlatform.h"

#include "platform/CanberraSound.h"
#include "platform/CursorTheme.h"
#include "platform/FrozenScreenOverlay.h"
#include "platform/StatusNotifierHost.h"
#include "platform/wayland/CompositorWindows.h"
#include "platform/wayland/GlobalShortcutsPortal.h"
#include "platform/wayland/KWinScreenShot.h"
#include "platform/wayland/PortalScreenshot.h"
#include "platform/wayland/RemoteDesktopPortal.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WheelInput.h"
#include "platform/wayland/WlrScreencopy.h"

#include <QCursor>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

#include <X11/Xlib.h>

namespace vistrel {

using wayland::CompositorWindow;

namespace {

// The whole desktop stands for itself as a window; compositor window ids never take this value.
constexpr WindowId DesktopId = 1;
// The area the user dragged where the compositor tells of no windows: it stands for the window.
constexpr WindowId PickedAreaId = 2;
// A drag smaller than this either way is taken for a slip of the hand, not an area.
constexpr int MinPickedAreaSide = 8;

const QString NoWindowListHint = QStringLiteral(
    "このデスクトップ（Wayland）はほかのプログラムのウインドウの位置を教えないため、"
    "ウインドウを選んでのキャプチャはできません。全画面キャプチャをお使いください。");

const QString PickAreaHint = QStringLiteral(
    "キャプチャするウインドウの範囲をドラッグしてください（右クリックか Esc で中止）。\n"
    "このデスクトップはウインドウの位置を教えないため、囲んだ範囲をウインドウとして"
    "扱います。");

const QString ScrollAskedNote =
    QStringLiteral("スクロールの前に、デスクトップがポインタの操作を許可するか尋ねます"
                   "（Vistrel を起動している間に一度だけ）。");

constexpr int OverlayCloseLimitMs = 2000;
// Where no window list tells when the still screen has gone, the compositor gets this long
// to take it off the screen (a few frames).
constexpr int OverlayUnmapMs = 250;

// The hint across the top of the primary monitor, as tall as its wrapped lines need.
void drawPickAreaHint(QPainter& painter, const QRect& primary)
{
    constexpr int Margin = 8;
    // Tall enough to be seen below a desktop's top bar, whatever the font.
    constexpr int MinHintHeight = 48;
    const int width = primary.width() * 3 / 4;
    const QRect text = painter.fontMetrics().boundingRect(
        QRect(0, 0, width - 2 * Margin, primary.height()), Qt::TextWordWrap, PickAreaHint);
    const QRect box(primary.left() + (primary.width() - width) / 2, primary.top() + Margin, width,
                    std::max(MinHintHeight, text.height() + 2 * Margin));
    painter.fillRect(box, QColor(0, 0, 0, 200));
    painter.setPen(Qt::white);
    painter.drawText(box.adjusted(Margin, Margin, -Margin, -Margin),
                     Qt::AlignCenter | Qt::TextWordWrap, PickAreaHint);
}

QRect areaBetween(QPoint from, QPoint to)
{
    return QRect(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                 QSize(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())));
}

} // namespace

WaylandPlatform::WaylandPlatform() : m_withGui(true)
{
    probe();
}

WaylandPlatform::WaylandPlatform(OwnConnection)
{
    probe();
}

WaylandPlatform::~WaylandPlatform() = default;

void WaylandPlatform::probe()
{
    m_display = std::make_unique<wayland::WaylandDisplay>();
    // VISTREL_WAYLAND_SCREEN names one way to use, where the first one offered misbehaves.
    const QByteArray wanted = qgetenv("VISTREL_WAYLAND_SCREEN");
    const auto allowed = [&wanted](const char* name) { return wanted.isEmpty() || wanted == name; };
    if (allowed("screencopy") && m_display->screencopy() != nullptr && m_display->shm() != nullptr)
        m_source = std::make_unique<wayland::WlrScreencopy>(*m_display);
    else if (allowed("kwin") && wayland::KWinScreenShot::offered())
        m_source = std::make_unique<wayland::KWinScreenShot>();
    else if (allowed("portal") && wayland::PortalScreenshot::offered())
        m_source = std::make_unique<wayland::PortalScreenshot>(*m_display);
    m_windows = wayland::ProbeCompositorWindows(*m_display);
    m_wheel = wayland::ProbeWheelInput(*m_display);
    // The portal lends a pointer only to a run with windows, which can show why it asks.
    if (!m_wheel && m_withGui && wayland::RemoteDesktopPortal::offered())
        m_wheel = std::make_unique<wayland::RemoteDesktopPortal>();
    // Presses come to a run with windows only: a window-less capture has no hotkeys.
    if (m_withGui && wayland::GlobalShortcutsPortal::offered())
        m_shortcuts = std::make_unique<wayland::GlobalShortcutsPortal>(
            [this](int id) {
                if (hotkeyPressed)
                    hotkeyPressed(id);
            },
            [this] {
                logProviders();
                if (systemHotkeysLost)
                    systemHotkeysLost();
            });
    logProviders();
}

void WaylandPlatform::logProviders() const
{
    if (qEnvironmentVariableIsSet("VISTREL_LOG_PLATFORM"))
        std::fprintf(stderr, "vistrel: %s\n", qPrintable(describeProviders()));
}

bool WaylandPlatform::hotkeysFromPortal() const
{
    return m_shortcuts && !m_shortcuts->refused();
}

QString WaylandPlatform::describeProviders() const
{
    return QStringLiteral("Wayland: screen from %1, windows from %2, wheel from %3, hotkeys %4")
        .arg(QString::fromLatin1(m_source ? m_source->name() : "none"),
             QString::fromLatin1(m_windows ? m_windows->name() : "none"),
             QString::fromLatin1(m_wheel ? m_wheel->name() : "none"),
             hotkeysFromPortal() ? QStringLiteral("from the GlobalShortcuts portal")
                                 : QStringLiteral("as commands bound by the desktop"));
}

QList<QRect> WaylandPlatform::monitorRects() const
{
    QList<QRect> rects;
    for (const wayland::WaylandOutput& output : m_display->outputs())
        rects << output.logical;
    if (rects.isEmpty())
        return {QRect(0, 0, 1, 1)};
    // The compositor's primary output where Qt knows it, else the first announced.
    if (m_withGui && QGuiApplication::primaryScreen() != nullptr) {
        const qsizetype primary = rects.indexOf(QGuiApplication::primaryScreen()->geometry());
        if (primary > 0)
            rects.move(primary, 0);
    }
    return rects;
}

QRect WaylandPlatform::primaryDisplayRect() const
{
    return monitorRects().first();
}

QList<CompositorWindow> WaylandPlatform::windows() const
{
    if (m_picking)
        return m_frozenWindows;
    return m_windows ? m_windows->windows() : QList<CompositorWindow>();
}

const CompositorWindow* WaylandPlatform::find(const QList<CompositorWindow>& list,
                                              WindowId id) const
{
    for (const CompositorWindow& window : list)
        if (window.id == id)
            return &window;
    return nullptr;
}

WindowId WaylandPlatform::desktopWindow() const
{
    return DesktopId;
}

WindowId WaylandPlatform::foregroundWindow() const
{
    for (const CompositorWindow& window : windows())
        if (window.focused)
            return window.id;
    return DesktopId;
}

WindowId WaylandPlatform::windowAt(QPoint screenPos) const
{
    if (m_picking && picksByArea())
        return PickedAreaId;
    for (const CompositorWindow& window : windows())
        if (window.pid != getpid() && window.outer.contains(screenPos))
            return window.id;
    return DesktopId;
}

QRect WaylandPlatform::outerRect(WindowId window) const
{
    if (window == DesktopId)
        return layoutBounds();
    if (window == PickedAreaId && picksByArea())
        return m_pickedArea;
    const QList<CompositorWindow> list = windows();
    const CompositorWindow* found = find(list, window);
    return found ? found->outer : QRect();
}

QRect WaylandPlatform::clientRect(WindowId window) const
{
    if (window == DesktopId || (window == PickedAreaId && picksByArea()))
        return outerRect(window);
    const QList<CompositorWindow> list = windows();
    const CompositorWindow* found = find(list, window);
    return found ? m_windows->clientOf(*found) : QRect();
}

QString WaylandPlatform::windowTitle(WindowId window) const
{
    const QList<CompositorWindow> list = windows();
    const CompositorWindow* found = find(list, window);
    return found ? found->title : QString();
}

bool WaylandPlatform::isDesktop(WindowId window) const
{
    return window == DesktopId;
}

WindowId WaylandPlatform::topLevelOf(WindowId window) const
{
    return window; // a compositor shows only top-level windows
}

bool WaylandPlatform::isOwnWindow(WindowId window) const
{
    const QList<CompositorWindow> list = windows();
    const CompositorWindow* found = find(list, window);
    return found && found->pid == getpid();
}

QList<StackedWindow> WaylandPlatform::windowsTopToBottom() const
{
    QList<StackedWindow> stacked;
    for (const CompositorWindow& window : windows())
        stacked << StackedWindow{window.id, true, false, window.pid == getpid()};
    return stacked;
}

void WaylandPlatform::activateWindow(WindowId window)
{
    if (m_windows && window != DesktopId)
        m_windows->focus(window);
}

QImage WaylandPlatform::grab(const QRect& rect, bool withPointer)
{
    if (!m_source)
        throw std::runtime_error(
            "このデスクトップ（Wayland）は画面を読み取る方法を提供していません"
            "（wlr-screencopy、KWin のスクリーンショット、デスクトップポータルのいずれも"
            "ありません）。xdg-desktop-portal とデスクトップに合うバックエンドを入れてください。");
    if (rect.isEmpty())
        return {};
    return m_source->grab(rect, withPointer);
}

QImage WaylandPlatform::grabScreen(const QRect& rect)
{
    return grab(rect, false);
}

QImage WaylandPlatform::grabScreenWithPointer(const QRect& rect)
{
    return grab(rect, true);
}

bool WaylandPlatform::pointerDrawnByGrab() const
{
    return true;
}

PlatformAbilities WaylandPlatform::abilities() const
{
    PlatformAbilities abilities;
    abilities.pointerInPicture = m_source && m_source->drawsPointer();
    // KWin's own picture of the active window stays even where its window list is known:
    // it shows the whole window, also the parts other windows cover or the screen cuts off.
    const bool kwinGrabsWindows = dynamic_cast<wayland::KWinScreenShot*>(m_source.get()) != nullptr;
    const bool sourceGrabsWindows =
        kwinGrabsWindows ||
        (m_withGui && dynamic_cast<wayland::PortalScreenshot*>(m_source.get()) != nullptr);
    abilities.pickWindow = m_withGui && (m_windows != nullptr || m_source != nullptr);
    abilities.activeWindow = m_windows != nullptr || sourceGrabsWindows;
    abilities.activeWindowGrabbedBySystem =
        kwinGrabsWindows || (m_windows == nullptr && sourceGrabsWindows);
    if (abilities.activeWindowGrabbedBySystem &&
        dynamic_cast<wayland::PortalScreenshot*>(m_source.get()) != nullptr)
        abilities.activeWindowNote =
            QStringLiteral("デスクトップが、キャプチャするウインドウを選ぶよう求めています。");
    // A scroll needs the target's rectangle and a wheel to turn; painted pixels do not stay
    // on a compositor's screen, so the pictures alone measure each step.
    abilities.scrollCapture = abilities.pickWindow && m_wheel != nullptr;
    if (m_wheel && m_wheel->asksUser())
        abilities.scrollNote = ScrollAskedNote;
    abilities.scrollMarkers = false;
    abilities.systemHotkeys = hotkeysFromPortal();
    if (!abilities.pickWindow || !abilities.activeWindow)
        abilities.hint = NoWindowListHint;
    else if (!abilities.pointerInPicture)
        abilities.hint = QString::fromUtf8(PointerNotInPictureText);
    return abilities;
}

QImage WaylandPlatform::grabActiveWindow(bool clientArea, bool withPointer)
{
    if (auto* kwin = dynamic_cast<wayland::KWinScreenShot*>(m_source.get()))
        return kwin->grabActiveWindow(clientArea, withPointer,
                                      m_windows ? outerRect(foregroundWindow()).size() : QSize());
    // The portal cannot be told which window: the desktop asks the user to choose.
    if (auto* portal = dynamic_cast<wayland::PortalScreenshot*>(m_source.get()))
        return portal->grabChosenByUser();
    return {};
}

QPoint WaylandPlatform::cursorPos() const
{
    if (m_overlay)
        m_lastPointer = m_overlay->lastPointerPos();
    else if (m_withGui && QGuiApplication::focusWindow() != nullptr)
        m_lastPointer = QCursor::pos();
    if (m_lastPointer.isNull())
        m_lastPointer = primaryDisplayRect().center();
    return m_lastPointer;
}

void WaylandPlatform::setCursorPos(QPoint screenPos)
{
    // Wayland lets no program move the pointer, except through a device of its own while
    // one is open for a scroll; later questions get this position either way.
    m_lastPointer = screenPos;
    if (m_wheelDevice)
        m_wheelDevice->moveTo(screenPos);
}

QRect WaylandPlatform::layoutBounds() const
{
    QRect bounds;
    for (const QRect& monitor : monitorRects())
        bounds = bounds.united(monitor);
    return bounds;
}

bool WaylandPlatform::beginWheel()
{
    if (!m_wheel)
        return false;
    const bool asks = m_wheel->asksUser();
    m_wheelDevice = m_wheel->open(layoutBounds());
    // The pointer goes where the program believes it is, so the first notch lands there.
    if (m_wheelDevice)
        m_wheelDevice->moveTo(cursorPos());
    return asks;
}

void WaylandPlatform::endWheel()
{
    m_wheelDevice.reset();
}

void WaylandPlatform::sendWheelDown()
{
    if (!m_wheelDevice)
        throw std::runtime_error(m_wheel && m_wheel->asksUser()
                                     ? "スクロールのためのポインタの操作が許可されませんでした。"
                                       "キャプチャできたのは最初の画面だけです。"
                                     : "このデスクトップ（Wayland）はほかのプログラムのウインドウを"
                                       "スクロールさせてくれません。");
    m_wheelDevice->notchDown();
}

void WaylandPlatform::watchEscape(bool on)
{
    m_escape.reset();
    if (on && m_windows)
        m_escape = m_windows->bindEscape();
}

bool WaylandPlatform::escapePressed()
{
    return m_escape && m_escape->pressed();
}

QImage WaylandPlatform::standardCursorImage(StandardCursor shape)
{
    return CursorThemeImage(shape, qgetenv("XCURSOR_THEME"));
}

bool WaylandPlatform::picksByArea() const
{
    return !m_windows;
}

bool WaylandPlatform::beginPicking()
{
    if (!m_withGui || (!m_windows && !m_source))
        return false;
    QList<FrozenScreenOverlay::Monitor> monitors;
    for (QScreen* screen : QGuiApplication::screens())
        monitors << FrozenScreenOverlay::Monitor{screen, screen->geometry(),
                                                 grab(screen->geometry(), false)};
    // The windows as they are now: the overlay hides them from the compositor's list.
    m_frozenWindows = m_windows ? m_windows->windows() : QList<CompositorWindow>();
    m_picking = true;
    m_pickEvents.clear();
    m_pickedArea = QRect();
    m_dragFrom.reset();
    m_overlay = std::make_unique<FrozenScreenOverlay>(monitors);
    const QRect primary = primaryDisplayRect();
    m_overlay->decorate = [this, primary](QPainter& painter) {
        if (picksByArea()) {
            drawPickAreaHint(painter, primary);
        }
        if (m_pickFrame.isEmpty())
            return;
        painter.setPen(QPen(Qt::red, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_pickFrame.adjusted(1, 1, -2, -2));
    };
    if (picksByArea())
        followPickArea(*m_overlay);
    else
        followPickWindow(*m_overlay);
    m_overlay->show();
    return true;
}

void WaylandPlatform::followPickWindow(FrozenScreenOverlay& overlay)
{
    QObject::connect(&overlay, &FrozenScreenOverlay::pointerMoved, [this](QPoint position) {
        m_pickEvents.push_back({PickEvent::Kind::Moved, position});
    });
    QObject::connect(&overlay, &FrozenScreenOverlay::pressed,
                     [this](Qt::MouseButton button, QPoint position) {
                         m_pickEvents.push_back({PickEvent::Kind::Moved, position});
                         m_pickEvents.push_back({button == Qt::LeftButton ? PickEvent::Kind::Confirm
                                                                          : PickEvent::Kind::Cancel,
                                                 position});
                     });
    QObject::connect(
        &overlay, &FrozenScreenOverlay::keyPressed, [this](int key, Qt::KeyboardModifiers) {
            if (key == Qt::Key_Escape)
                m_pickEvents.push_back({PickEvent::Kind::Cancel, {}});
            else if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)
                m_pickEvents.push_back({PickEvent::Kind::Confirm, {}});
        });
}

// The left button drags the area, its release takes it; the right button or Escape cancels.
void WaylandPlatform::followPickArea(FrozenScreenOverlay& overlay)
{
    QObject::connect(&overlay, &FrozenScreenOverlay::pointerMoved, [this](QPoint position) {
        if (m_dragFrom)
            m_pickedArea = areaBetween(*m_dragFrom, position);
        m_pickEvents.push_back({PickEvent::Kind::Moved, position});
    });
    QObject::connect(&overlay, &FrozenScreenOverlay::pressed,
                     [this](Qt::MouseButton button, QPoint position) {
                         if (button != Qt::LeftButton) {
                             m_pickEvents.push_back({PickEvent::Kind::Cancel, position});
                             return;
                         }
                         m_dragFrom = position;
                         m_pickedArea = QRect();
                         m_pickEvents.push_back({PickEvent::Kind::Moved, position});
                     });
    QObject::connect(&overlay, &FrozenScreenOverlay::released,
                     [this](Qt::MouseButton button, QPoint position) {
                         if (button != Qt::LeftButton || !m_dragFrom)
                             return;
                         const QRect area = areaBetween(*m_dragFrom, position);
                         m_dragFrom.reset();
                         const bool taken = area.width() >= MinPickedAreaSide &&
                                            area.height() >= MinPickedAreaSide;
                         m_pickedArea = taken ? area : QRect();
                         m_pickEvents.push_back({PickEvent::Kind::Moved, position});
                         if (taken)
                             m_pickEvents.push_back({PickEvent::Kind::Confirm, position});
                     });
    QObject::connect(&overlay, &FrozenScreenOverlay::keyPressed,
                     [this](int key, Qt::KeyboardModifiers) {
                         if (key == Qt::Key_Escape)
                             m_pickEvents.push_back({PickEvent::Kind::Cancel, {}});
                     });
}

PickEvent WaylandPlatform::nextPickEvent()
{

    QEventLoop loop;
    while (m_overlay && m_pickEvents.empty())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    if (m_pickEvents.empty())
        return {PickEvent::Kind::Cancel, {}};
    const PickEvent event = m_pickEvents.front();
    m_pickEvents.pop_front();
    return event;
}

void WaylandPlatform::showPickFrame(const QRect& rect)
{
    m_pickFrame = rect;
    if (m_overlay)
        m_overlay->update();
}

void WaylandPlatform::hidePickFrame()
{
    showPickFrame(QRect());
}

void WaylandPlatform::endPicking()
{
    if (!m_overlay)
        return;
    m_overlay.reset();
    m_picking = false;
    m_frozenWindows.clear();
    m_pickEvents.clear();
    waitUntilOverlayGone();
}

void WaylandPlatform::waitUntilOverlayGone()
{
    // The still screen closes on Qt's connection, the grab comes on ours: wait until the
    // compositor no longer shows it, so it is neither in the picture nor hiding the windows.
    const auto overlayShown = [this] {
        const QList<CompositorWindow> list = windows();
        return std::any_of(list.begin(), list.end(), [](const CompositorWindow& window) {
            return window.pid == getpid() && window.title == FrozenScreenOverlay::Title();
        });
    };
    QEventLoop loop;
    if (!m_windows) {
        loop.processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(OverlayUnmapMs);
        return;
    }
    const QDeadlineTimer limit(OverlayCloseLimitMs);
    while (!limit.hasExpired() && overlayShown()) {
        loop.processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}

QRgb WaylandPlatform::screenPixel(QPoint screenPos)
{
    const QImage pixel = grab(QRect(screenPos, QSize(1, 1)), false);
    return pixel.isNull() ? 0 : pixel.pixel(0, 0);
}

void WaylandPlatform::playSoundAsync(const QString& file)
{
    if (!m_sound)
        m_sound = std::make_unique<CanberraSound>();
    m_sound->play(file);
}

// Qt shows the icon as a StatusNotifierItem; whether it looked for a host only once, at
// start, so a panel that has gone since is asked about on the bus.
bool WaylandPlatform::systemTrayAvailable() const
{
    return m_withGui && QSystemTrayIcon::isSystemTrayAvailable() && statusNotifierHostRegistered();
}

bool WaylandPlatform::registerHotkey(int id, quint32 modifiers, quint32 keysym, QString* reason)
{
    if (!hotkeysFromPortal()) {
        if (reason != nullptr)
            *reason = QStringLiteral("Wayland のデスクトップではシステム全体のホットキーを"
                                     "登録できません。デスクトップのキーボード設定でキーに"
                                     "コマンドを割り当ててください。");
        return false;
    }
    // The desktop decides which key it binds and says nothing of a clash here: it resolves
    // clashes in its own dialog and settings.
    const char* name = XKeysymToString(KeySym(keysym));
    m_shortcuts->add(id, wayland::PortalTrigger(modifiers, QString::fromLatin1(name ? name : "")));
    return true;
}

void WaylandPlatform::unregisterHotkey(int id)
{
    if (m_shortcuts)
        m_shortcuts->remove(id);
}

void WaylandPlatform::describeHotkey(int id, const QString& description)
{
    if (m_shortcuts)
        m_shortcuts->describe(id, description);
}

} // namespace vistrel
