#pragma once

#include "harness/ChildProcess.h"
#include "harness/Wait.h"
#include "harness/XDisplay.h"

#include <QSize>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>
#include <vector>

namespace vistrel::test {

// The X server could not be had for reasons outside the test (no root, no Xorg):
// tests that need it skip with this reason.
class XServerUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A private X server (Xvfb, 1920x1080x24 unless told otherwise, on a display it picks itself) with
// openbox managing it. Everything started through the session is stopped when
// the session ends, also when the test fails.
class XSession {
public:
    static constexpr int ScreenWidth = 1920;
    static constexpr int ScreenHeight = 1080;

    enum class Server {
        Xvfb,
        // Xorg with the dummy driver: a 3840x1080 screen split into two RandR monitors
        // of 1920x1080, the primary one on the right. Xvfb keeps no RandR monitors.
        TwoMonitorsPrimaryRight,
    };

    // Throws std::runtime_error (with the servers' output) when either fails to come up,
    // XServerUnavailable when Xorg cannot be started here at all.
    explicit XSession(Server server = Server::Xvfb, QSize screen = {ScreenWidth, ScreenHeight});
    explicit XSession(QSize screen) : XSession(Server::Xvfb, screen) {}
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    QString displayName() const { return m_displayName; }
    XDisplay& display() { return *m_display; }
    // A folder that lives as long as the session, for logs and scratch files.
    QString tempDir() const { return m_tempDir.path(); }

    // `options` with DISPLAY set to this session (and Qt told to use it).
    ChildOptions optionsFor(ChildOptions options) const;
    // Starts a program on this display; the session owns it.
    ChildProcess& start(const QStringList& argv, const ChildOptions& options = {});
    // SIGTERM, wait, then SIGKILL; the process is forgotten afterwards.
    void stop(pid_t pid);

    // Kills the X server as a crash would: every client's connection breaks. Nothing may be
    // asked of the display afterwards.
    void killServer();

    // Runs xdotool against this display; its standard output is returned.
    CommandResult xdotool(const QStringList& args);

    QList<WindowId> findWindows(const QString& title) const
    {
        return m_display->findWindows(title);
    }
    // The first mapped window with this exact title (of `pid` when given).
    std::optional<WindowId> waitForWindow(const QString& title,
                                          std::optional<pid_t> pid = std::nullopt,
                                          std::chrono::milliseconds timeout = DefaultTimeout);
    std::optional<WindowGeometry> geometry(WindowId window) const
    {
        return m_display->geometry(window);
    }
    QImage grab(QRect area = {}) const { return m_display->grab(area); }

private:
    void startServer(Server server, QSize screen);
    QStringList serverCommand(Server server, QSize screen, int displayFd) const;
    void splitIntoTwoMonitors();
    void startWindowManager();
    QString serverLog() const;

    QTemporaryDir m_tempDir;
    std::unique_ptr<ChildProcess> m_server;
    std::unique_ptr<ChildProcess> m_windowManager;
    std::unique_ptr<XDisplay> m_display;
    std::vector<std::unique_ptr<ChildProcess>> m_children;
    QString m_displayName;
};

} // namespace vistrel::test
