#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_output;
struct wl_shm;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_screencopy_manager_v1;
struct wl_seat;
struct zwlr_virtual_pointer_manager_v1;
struct org_kde_kwin_fake_input;

namespace vistrel::wayland {

// One monitor as the compositor describes it.
struct WaylandOutput {
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    quint32 globalName = 0;
    QString name;   // "HEADLESS-1", "DP-2"
    QRect logical;  // in the compositor's layout, the coordinates windows are placed in
    QSize physical; // the current mode in device pixels
    int scale = 1;  // the integer scale the output announces
};

// A connection of our own to the compositor, beside Qt's (which Qt keeps to itself), holding
// the globals the capture needs. Every wait for an answer has a limit, so a compositor that
// stops answering ends in a message instead of a hang.
class WaylandDisplay {
public:
    // Connects to WAYLAND_DISPLAY; throws std::runtime_error (in Japanese) when it cannot.
    WaylandDisplay();
    ~WaylandDisplay();
    WaylandDisplay(const WaylandDisplay&) = delete;
    WaylandDisplay& operator=(const WaylandDisplay&) = delete;

    wl_display* display() const { return m_display; }
    wl_shm* shm() const { return m_shm; }
    zwlr_screencopy_manager_v1* screencopy() const { return m_screencopy; }
    // What can turn the wheel for other programs: wlroots' virtual pointers (on the first
    // seat), KDE's fake input (offered only to programs the desktop file grants it).
    wl_seat* seat() const { return m_seat; }
    zwlr_virtual_pointer_manager_v1* virtualPointers() const { return m_virtualPointers; }
    org_kde_kwin_fake_input* fakeInput() const { return m_fakeInput; }
    // KWin's window list, announced only to programs the desktop file grants it: its
    // registry name and version, for the one who binds it (its events start at once).
    wl_registry* registry() const { return m_registry; }
    quint32 plasmaWindowManagementName() const { return m_plasmaWindowManagement; }
    quint32 plasmaWindowManagementVersion() const { return m_plasmaWindowManagementVersion; }

    // Monitors in the order the compositor announced them; the first is "the display".
    QList<WaylandOutput> outputs() const;

    // Sends what is queued and handles events until `done` holds; false when the
    // connection broke or the compositor did not answer within the limit.
    bool dispatchUntil(const std::function<bool()>& done, int timeoutMs = 5000);
    // Waits until the compositor has handled every request sent so far.
    bool roundtrip();

    static void onGlobalAnnounced(void* data, wl_registry* registry, quint32 name,
                                  const char* interface, quint32 version);
    static void onGlobalGone(void* data, wl_registry* registry, quint32 name);

private:
    bool describeOutputs();
    void release();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_shm* m_shm = nullptr;
    zxdg_output_manager_v1* m_xdgOutputs = nullptr;
    zwlr_screencopy_manager_v1* m_screencopy = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_virtual_pointer_manager_v1* m_virtualPointers = nullptr;
    org_kde_kwin_fake_input* m_fakeInput = nullptr;
    quint32 m_plasmaWindowManagement = 0;
    quint32 m_plasmaWindowManagementVersion = 0;
    std::vector<std::unique_ptr<WaylandOutput>> m_outputs;
};

} // namespace vistrel::wayland
