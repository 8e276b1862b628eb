#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace vistrel::wayland {

class WaylandDisplay;

// A top-level window as the compositor's own interface describes it, in layout coordinates.
struct CompositorWindow {
    quint64 id = 0;
    QRect outer;  // with the frame the compositor draws
    QRect client; // the program's own surface, without shadows
    QString title;
    qint64 pid = 0;
    bool focused = false;
};

// Escape taken from every program for as long as this lives, where the compositor can bind
// a key for a client; the key goes back when it ends.
class EscapeBinding {
public:
    virtual ~EscapeBinding() = default;
    // Whether Escape was pressed since the binding began.
    virtual bool pressed() = 0;
};

// Where a compositor tells which windows there are (Wayland itself tells a client nothing of
// other programs' windows): sway's and Hyprland's IPC sockets, KWin's window management
// global (granted through the desktop file).
class CompositorWindows {
public:
    virtual ~CompositorWindows() = default;
    virtual const char* name() const = 0;
    // Windows that can be seen, the topmost first; empty when the compositor does not answer.
    virtual QList<CompositorWindow> windows() = 0;
    virtual void focus(quint64 id) = 0;
    // The program's own area of a window this interface listed, where the list alone does
    // not tell it exactly.
    virtual QRect clientOf(const CompositorWindow& window) { return window.client; }
    // Escape for this program alone; null where the compositor cannot bind it.
    virtual std::unique_ptr<EscapeBinding> bindEscape() { return nullptr; }
};

// The interface of the running compositor, or null when it has none we know.
std::unique_ptr<CompositorWindows> ProbeCompositorWindows(WaylandDisplay& display);
// KWin's window list on our own connection, or null where KWin does not grant it.
std::unique_ptr<CompositorWindows> ProbeKWinWindows(WaylandDisplay& display);

// A window as KWin's window management describes it.
struct KWinWindowState {
    QByteArray uuid;
    quint64 id = 0;
    QRect geometry; // with the frame KWin draws
    QString title;
    qint64 pid = 0;
    quint32 flags = 0;      // org_kde_plasma_window_management's state bits
    QStringList desktops;   // the virtual desktops it is on; none: on all
    QStringList activities; // the same for Plasma's activities
};

// What KWin shows now: its virtual desktop and activity (empty where it does not say), and
// whether it has put every window aside to show the desktop.
struct KWinShown {
    QString desktop;
    QString activity;
    bool desktopOnly = false;
};

// Sway's tree (the answer to GET_TREE) as visible windows, topmost first: floating windows
// above tiled ones, each group in focus order. Pure, for tests.
QList<CompositorWindow> SwayWindowsFromTree(const QByteArray& json);
// Hyprland's client list (j/clients) as mapped, visible windows, most recently focused first.
QList<CompositorWindow> HyprlandWindowsFromClients(const QByteArray& json);
// KWin's windows that can be seen, topmost first (KWin's stacking order lists the bottom
// first): none minimised, none on other desktops or activities. Pure, for tests.
QList<CompositorWindow> KWinVisibleWindows(const QList<KWinWindowState>& windows,
                                           const QList<QByteArray>& stackingBottomFirst,
                                           const KWinShown& shown);
// Where a window's own picture lies inside the picture of it with its frame: the only place
// where every pixel agrees, or nothing when there is none or more than one.
std::optional<QPoint> ClientPlaceInFrame(const QImage& frame, const QImage& client);
// Whether a message of sway's IPC (its type, its JSON) is the binding event of `command`.
bool SwayBindingRan(quint32 type, const QByteArray& json, const QByteArray& command);

} // namespace vistrel::wayland
