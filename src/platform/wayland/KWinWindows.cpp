#include "platform/wayland/CompositorWindows.h"
#include "platform/wayland/KWinEscape.h"
#include "platform/wayland/KWinScreenShot.h"
#include "platform/wayland/WaylandDisplay.h"

#include "plasma-window-management-client-protocol.h"

#include <wayland-client.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMargins>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

namespace vistrel::wayland {

namespace {

// Version 13 names windows by uuid and gives the stacking order so (KWin 5.27 offers 16).
constexpr quint32 WindowManagementVersion = 16;
constexpr quint32 LeastWindowManagementVersion = 13;
// How long KWin may take to describe the windows it has just announced.
constexpr int DescribeLimitMs = 3000;
constexpr int DBusLimitMs = 1000;

class KWinWindows;

// The frame KWin draws around a window of this size and state, as last measured.
struct MeasuredFrame {
    QSize outer;
    quint32 flags = 0;
    QMargins frame;
};

// Without a place found in the pictures: the sides alike, the bottom edge as wide as a side,
// the rest the title bar (as KWin's own decorations draw it).
QMargins likelyFrame(QSize outer, QSize client)
{
    const int side = std::max(0, (outer.width() - client.width()) / 2);
    const int bottom = std::min(side, std::max(0, outer.height() - client.height()));
    return QMargins(side, std::max(0, outer.height() - client.height() - bottom), side, bottom);
}

// The state bits that change which frame KWin draws.
constexpr quint32 FrameFlags = ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_MAXIMIZED |
                               ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_FULLSCREEN |
                               ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_SHADED;

// One window as KWin keeps telling us about it, with the proxy its events come on.
struct KWinWindow {
    KWinWindows* owner = nullptr;
    org_kde_plasma_window* proxy = nullptr;
    KWinWindowState state;
    bool described = false; // initial_state came
};

// A string property KWin or Plasma keeps on the bus, or empty when it does not answer.
QString busProperty(const QString& service, const QString& path, const QString& interface,
                    const QString& property)
{
    QDBusMessage ask = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << interface << property;
    const QDBusMessage answer = QDBusConnection::sessionBus().call(ask, QDBus::Block, DBusLimitMs);
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
        return {};
    return answer.arguments().first().value<QDBusVariant>().variant().toString();
}

QString currentActivity()
{
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.ActivityManager"), QStringLiteral("/ActivityManager/Activities"),
        QStringLiteral("org.kde.ActivityManager.Activities"), QStringLiteral("CurrentActivity"));
    const QDBusMessage answer = QDBusConnection::sessionBus().call(ask, QDBus::Block, DBusLimitMs);
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
        return {};
    return answer.arguments().first().toString();
}

class KWinWindows final : public CompositorWindows {
public:
    KWinWindows(WaylandDisplay& display, org_kde_plasma_window_management* management)
        : m_display(display), m_management(management)
    {
        org_kde_plasma_window_management_add_listener(m_management, &managementListener, this);
    }
    ~KWinWindows() override
    {
        for (auto& [uuid, window] : m_windows)
            org_kde_plasma_window_destroy(window->proxy);
        org_kde_plasma_window_management_destroy(m_management);
        m_display.roundtrip();
    }
    KWinWindows(const KWinWindows&) = delete;
    KWinWindows& operator=(const KWinWindows&) = delete;

    const char* name() const override { return "KWin window management"; }

    QList<CompositorWindow> windows() override
    {
        if (!refresh())
            return {};
        QList<KWinWindowState> states;
        for (const auto& [uuid, window] : m_windows)
            states << window->state;
        const KWinShown shown{busProperty(QStringLiteral("org.kde.KWin"),
                                          QStringLiteral("/VirtualDesktopManager"),
                                          QStringLiteral("org.kde.KWin.VirtualDesktopManager"),
                                          QStringLiteral("current")),
                              m_activities ? currentActivity() : QString(), m_showingDesktop};
        return KWinVisibleWindows(states, m_stackingOrder, shown);
    }

    void focus(quint64 id) override
    {
        const auto found =
            std::find_if(m_windows.begin(), m_windows.end(),
                         [id](const auto& entry) { return entry.second->state.id == id; });
        if (found == m_windows.end())
            return;
        org_kde_plasma_window_set_state(found->second->proxy,
                                        ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE,
                                        ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE);
        m_display.roundtrip();
    }

    std::unique_ptr<EscapeBinding> bindEscape() override { return KWinEscapeBinding::bind(); }

    // KWin's geometry includes the frame it draws (a title bar, with some decorations
    // borders), and no interface tells the frame's size: KWin's screenshots of the window
    // with and without it show where the program's own picture lies. Measured once per
    // size and state of a window.
    QRect clientOf(const CompositorWindow& window) override
    {
        const auto found =
            std::find_if(m_windows.begin(), m_windows.end(), [&window](const auto& entry) {
                return entry.second->state.id == window.id;
            });
        if (found == m_windows.end())
            return window.client;
        const KWinWindowState& state = found->second->state;
        const quint32 flags = state.flags & FrameFlags;
        MeasuredFrame& measured = m_frames[state.uuid];
        if (measured.outer != window.outer.size() || measured.flags != flags) {
            const std::optional<QMargins> frame = measureFrame(state.uuid, window.outer.size());
            if (!frame)
                return window.client;
            measured = MeasuredFrame{window.outer.size(), flags, *frame};
        }
        return window.outer.marginsRemoved(measured.frame);
    }

    // Whether KWin has answered everything asked so far and described every window it
    // announced meanwhile: a window list as it is now, not as it was at the last question.
    bool refresh()
    {
        if (!m_display.roundtrip())
            return false;
        return m_display.dispatchUntil(
            [this] {
                return std::all_of(m_windows.begin(), m_windows.end(),
                                   [](const auto& entry) { return entry.second->described; });
            },
            DescribeLimitMs);
    }

    // Called from the window's own unmapped event: it is gone for good.
    void forget(const QByteArray& uuid)
    {
        const auto found = m_windows.find(uuid);
        if (found == m_windows.end())
            return;
        org_kde_plasma_window_destroy(found->second->proxy);
        m_frames.erase(uuid);
        m_windows.erase(found);
    }

private:
    std::optional<QMargins> measureFrame(const QByteArray& uuid, QSize outerSize)
    {
        try {
            KWinScreenShot screenShot;
            const QImage shadowed = screenShot.grabWindow(uuid, false);
            const QImage client = screenShot.grabWindow(uuid, true);
            // The frame is opaque, its shadow is not.
            const QRect frame = FrameInPicture(shadowed, outerSize);
            if (frame.size() != outerSize)
                return likelyFrame(outerSize, client.size());
            const std::optional<QPoint> place = ClientPlaceInFrame(shadowed.copy(frame), client);
            if (!place)
                return likelyFrame(outerSize, client.size());
            return QMargins(place->x(), place->y(), frame.width() - client.width() - place->x(),
                            frame.height() - client.height() - place->y());
        } catch (const std::runtime_error&) {
            return std::nullopt; // KWin does not show this program windows
        }
    }

    static void onWindowWithUuid(void* data, org_kde_plasma_window_management*, uint32_t,
                                 const char* uuid)
    {
        static_cast<KWinWindows*>(data)->track(QByteArray(uuid));
    }

    static void onStackingOrder(void* data, org_kde_plasma_window_management*, const char* uuids)
    {
        auto* self = static_cast<KWinWindows*>(data);
        self->m_stackingOrder = QByteArray(uuids).split(';');
    }

    void track(const QByteArray& uuid)
    {
        if (m_windows.count(uuid) != 0)
            return;
        auto window = std::make_unique<KWinWindow>();
        window->state.uuid = uuid;
        window->state.id = m_nextId++;
        window->proxy =
            org_kde_plasma_window_management_get_window_by_uuid(m_management, uuid.constData());
        org_kde_plasma_window_add_listener(window->proxy, &windowListener, window.get());
        window->owner = this;
        m_windows.emplace(uuid, std::move(window));
    }

    static const org_kde_plasma_window_management_listener managementListener;
    static const org_kde_plasma_window_listener windowListener;

    WaylandDisplay& m_display;
    org_kde_plasma_window_management* m_management;
    std::map<QByteArray, std::unique_ptr<KWinWindow>> m_windows;
    QList<QByteArray> m_stackingOrder; // the bottom first
    std::map<QByteArray, MeasuredFrame> m_frames;
    bool m_showingDesktop = false;
    // Whether any window is on an activity: only then is the activity manager asked.
    bool m_activities = false;
    // Ids of our own, from 2 on: 1 stands for the desktop.
    quint64 m_nextId = 2;
};

KWinWindowState& stateOf(void* data)
{
    return static_cast<KWinWindow*>(data)->state;
}

const org_kde_plasma_window_management_listener KWinWindows::managementListener = {
    [](void* data, org_kde_plasma_window_management*, uint32_t state) {
        static_cast<KWinWindows*>(data)->m_showingDesktop =
            state == ORG_KDE_PLASMA_WINDOW_MANAGEMENT_SHOW_DESKTOP_ENABLED;
    },
    [](void*, org_kde_plasma_window_management*, uint32_t) {},  // window: the uuid one follows
    [](void*, org_kde_plasma_window_management*, wl_array*) {}, // stacking order by old ids
    onStackingOrder,
    onWindowWithUuid,
};

const org_kde_plasma_window_listener KWinWindows::windowListener = {
    [](void* data, org_kde_plasma_window*, const char* title) {
        stateOf(data).title = QString::fromUtf8(title);
    },
    [](void*, org_kde_plasma_window*, const char*) {}, // app_id_changed
    [](void* data, org_kde_plasma_window*, uint32_t flags) { stateOf(data).flags = flags; },
    [](void*, org_kde_plasma_window*, int32_t) {},     // virtual_desktop_changed (by number)
    [](void*, org_kde_plasma_window*, const char*) {}, // themed_icon_name_changed
    [](void* data, org_kde_plasma_window*) {
        auto* window = static_cast<KWinWindow*>(data);
        window->owner->forget(window->state.uuid); // deletes `window`
    },
    [](void* data, org_kde_plasma_window*) { static_cast<KWinWindow*>(data)->described = true; },
    [](void*, org_kde_plasma_window*, org_kde_plasma_window*) {}, // parent_window
    [](void* data, org_kde_plasma_window*, int32_t x, int32_t y, uint32_t width, uint32_t height) {
        stateOf(data).geometry = QRect(x, y, int(width), int(height));
    },
    [](void*, org_kde_plasma_window*) {}, // icon_changed
    [](void* data, org_kde_plasma_window*, uint32_t pid) { stateOf(data).pid = pid; },
    [](void* data, org_kde_plasma_window*, const char* desktop) {
        stateOf(data).desktops << QString::fromUtf8(desktop);
    },
    [](void* data, org_kde_plasma_window*, const char* desktop) {
        stateOf(data).desktops.removeAll(QString::fromUtf8(desktop));
    },
    [](void*, org_kde_plasma_window*, const char*, const char*) {}, // application_menu
    [](void* data, org_kde_plasma_window*, const char* activity) {
        auto* window = static_cast<KWinWindow*>(data);
        window->state.activities << QString::fromUtf8(activity);
        window->owner->m_activities = true;
    },
    [](void* data, org_kde_plasma_window*, const char* activity) {
        stateOf(data).activities.removeAll(QString::fromUtf8(activity));
    },
    [](void*, org_kde_plasma_window*, const char*) {}, // resource_name_changed
};

} // namespace

QList<CompositorWindow> KWinVisibleWindows(const QList<KWinWindowState>& windows,
                                           const QList<QByteArray>& stackingBottomFirst,
                                           const KWinShown& shown)
{
    if (shown.desktopOnly)
        return {};
    // A window on no desktop (activity) is on all of them.
    const auto elsewhere = [](const QStringList& places, const QString& current) {
        return !places.isEmpty() && !current.isEmpty() && !places.contains(current);
    };
    const auto rank = [&stackingBottomFirst](const KWinWindowState& window) {
        const qsizetype at = stackingBottomFirst.indexOf(window.uuid);
        return at < 0 ? stackingBottomFirst.size() : at;
    };
    QList<KWinWindowState> ordered = windows;
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [&rank](const KWinWindowState& a, const KWinWindowState& b) { return rank(a) > rank(b); });
    QList<CompositorWindow> visible;
    for (const KWinWindowState& window : ordered) {
        if ((window.flags & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_MINIMIZED) ||
            elsewhere(window.desktops, shown.desktop) ||
            elsewhere(window.activities, shown.activity) || window.geometry.isEmpty())
            continue;
        CompositorWindow listed;
        listed.id = window.id;
        listed.outer = window.geometry;
        listed.client = window.geometry; // until measured: KWinWindows::clientOf
        listed.title = window.title;
        listed.pid = window.pid;
        listed.focused = window.flags & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE;
        visible << listed;
    }
    return visible;
}

std::optional<QPoint> ClientPlaceInFrame(const QImage& frame, const QImage& client)
{
    const QImage outer = frame.convertToFormat(QImage::Format_RGB32);
    const QImage inner = client.convertToFormat(QImage::Format_RGB32);
    const QSize room = outer.size() - inner.size();
    if (inner.isNull() || room.width() < 0 || room.height() < 0)
        return std::nullopt;
    const auto fitsAt = [&](int left, int top) {
        const size_t rowBytes = size_t(inner.width()) * sizeof(QRgb);
        for (int row = 0; row < inner.height(); ++row)
            if (std::memcmp(reinterpret_cast<const QRgb*>(outer.constScanLine(top + row)) + left,
                            inner.constScanLine(row), rowBytes) != 0)
                return false;
        return true;
    };
    std::optional<QPoint> found;
    for (int top = 0; top <= room.height(); ++top)
        for (int left = 0; left <= room.width(); ++left)
            if (fitsAt(left, top)) {
                if (found)
                    return std::nullopt;
                found = QPoint(left, top);
            }
    return found;
}

std::unique_ptr<CompositorWindows> ProbeKWinWindows(WaylandDisplay& display)
{
    const quint32 version = display.plasmaWindowManagementVersion();
    if (display.plasmaWindowManagementName() == 0 || version < LeastWindowManagementVersion)
        return nullptr;
    auto* management = static_cast<org_kde_plasma_window_management*>(wl_registry_bind(
        display.registry(), display.plasmaWindowManagementName(),
        &org_kde_plasma_window_management_interface, std::min(version, WindowManagementVersion)));
    auto windows = std::make_unique<KWinWindows>(display, management);
    KWinEscapeBinding::removeLeftover();
    if (!windows->refresh())
        return nullptr;
    return windows;
}

} // namespace vistrel::wayland
