#include "harness/XSession.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace vistrel::test {

namespace {

// Reads the display number Xvfb writes once it accepts connections.
QByteArray readDisplayNumber(int fd, ChildProcess& server)
{
    QByteArray text;
    const auto deadline = std::chrono::steady_clock::now() + DefaultTimeout;
    while (!text.contains('\n') && std::chrono::steady_clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0) {
            if (!server.isRunning())
                break;
            continue;
        }
        char buffer[32];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0 && errno != EINTR)
            break;
        if (got > 0)
            text.append(buffer, got);
    }
    return text.contains('\n') ? text.trimmed() : QByteArray();
}

} // namespace

XSession::XSession(Server server, QSize screen)
{
    if (!m_tempDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    startServer(server, screen);
    if (server == Server::TwoMonitorsPrimaryRight)
        splitIntoTwoMonitors();
    startWindowManager();
}

XSession::~XSession()
{
    // Clients first, then the window manager, the server last.
    while (!m_children.empty())
        m_children.pop_back();
    m_windowManager.reset();
    m_display.reset();
    m_server.reset();
}

QString XSession::serverLog() const
{
    QFile log(m_tempDir.filePath(QStringLiteral("xserver.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

QStringList XSession::serverCommand(Server server, QSize screen, int displayFd) const
{
    // -displayfd lets the server take the first free display itself, without races.
    const QStringList common{QStringLiteral("-displayfd"), QString::number(displayFd),
                             QStringLiteral("-nolisten"), QStringLiteral("tcp")};
    if (server == Server::Xvfb)
        return QStringList{QStringLiteral("Xvfb")} + common +
               QStringList{QStringLiteral("-screen"), QStringLiteral("0"),
                           QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height())};
    return QStringList{QStringLiteral("Xorg")} + common +
           QStringList{QStringLiteral("-noreset"), QStringLiteral("-config"),
                       QStringLiteral(XORG_DUMMY_CONFIG), QStringLiteral("-logfile"),
                       m_tempDir.filePath(QStringLiteral("xorg.log"))};
}

void XSession::startServer(Server server, QSize screen)
{
    if (server != Server::Xvfb) {
        // Xorg opens its devices and reads an absolute -config path only for root.
        if (::geteuid() != 0)
            throw XServerUnavailable("Xorg with the dummy driver needs root");
        if (QStandardPaths::findExecutable(QStringLiteral("Xorg")).isEmpty())
            throw XServerUnavailable("Xorg is not installed (scripts/install-deps)");
    }
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    ChildOptions options;
    options.outputFile = m_tempDir.filePath(QStringLiteral("xserver.log"));
    options.inheritFd = pipe[1];
    m_server = std::make_unique<ChildProcess>(serverCommand(server, screen, pipe[1]), options);
    ::close(pipe[1]);
    const QByteArray number = readDisplayNumber(pipe[0], *m_server);
    ::close(pipe[0]);
    if (number.isEmpty() && server != Server::Xvfb)
        throw XServerUnavailable("Xorg did not start here:\n" + serverLog().toStdString());
    if (number.isEmpty())
        throw std::runtime_error("Xvfb did not start:\n" + serverLog().toStdString());
    m_displayName = u':' + QString::fromLatin1(number);
    m_display = std::make_unique<XDisplay>(m_displayName);
}

void XSession::splitIntoTwoMonitors()
{
    const ChildOptions options = optionsFor({});
    const QList<QStringList> commands{
        {QStringLiteral("--setmonitor"), QStringLiteral("*RIGHT"),
         QStringLiteral("1920/508x1080/286+1920+0"), QStringLiteral("DUMMY0")},
        {QStringLiteral("--setmonitor"), QStringLiteral("LEFT"),
         QStringLiteral("1920/508x1080/286+0+0"), QStringLiteral("none")}};
    for (const QStringList& args : commands) {
        const CommandResult result =
            runCommand(QStringList{QStringLiteral("xrandr")} + args, options);
        if (result.exitCode != 0)
            throw std::runtime_error("xrandr " + args.join(u' ').toStdString() + " failed");
    }
}

void XSession::startWindowManager()
{
    // A private configuration home keeps the user's own openbox set-up out of the tests.
    ChildOptions options;
    options.outputFile = m_tempDir.filePath(QStringLiteral("openbox.log"));
    options.setEnv[QStringLiteral("XDG_CONFIG_HOME")] = m_tempDir.filePath(QStringLiteral("wm"));
    options.setEnv[QStringLiteral("XDG_CACHE_HOME")] = m_tempDir.filePath(QStringLiteral("wm"));
    // openbox announces itself (_NET_SUPPORTING_WM_CHECK) before it manages
    // windows, and loses windows mapped in between; the startup command runs
    // only once it is fully up, so its marker file is the reliable sign.
    const QString ready = m_tempDir.filePath(QStringLiteral("wm-ready"));
    m_windowManager = std::make_unique<ChildProcess>(
        QStringList{QStringLiteral("openbox"), QStringLiteral("--sm-disable"),
                    QStringLiteral("--startup"), QStringLiteral("touch '%1'").arg(ready)},
        optionsFor(options));
    const auto up = [&] {
        return (QFile::exists(ready) && m_display->hasWindowManager()) ||
               !m_windowManager->isRunning();
    };
    if (!waitFor(up) || !m_windowManager->isRunning()) {
        QFile log(options.outputFile);
        log.open(QIODevice::ReadOnly);
        throw std::runtime_error("openbox did not start:\n" + log.readAll().toStdString());
    }
}

ChildOptions XSession::optionsFor(ChildOptions options) const
{
    // A test may name another display (one with no server) on purpose.
    options.setEnv.try_emplace(QStringLiteral("DISPLAY"), m_displayName);
    options.setEnv[QStringLiteral("QT_QPA_PLATFORM")] = QStringLiteral("xcb");
    options.setEnv[QStringLiteral("WAYLAND_DISPLAY")] = QString(); // removed
    return options;
}

ChildProcess& XSession::start(const QStringList& argv, const ChildOptions& options)
{
    m_children.push_back(std::make_unique<ChildProcess>(argv, optionsFor(options)));
    return *m_children.back();
}

void XSession::stop(pid_t pid)
{
    const auto found = std::find_if(m_children.begin(), m_children.end(),
                                    [pid](const auto& child) { return child->pid() == pid; });
    if (found == m_children.end())
        return;
    (*found)->stop();
    m_children.erase(found);
}

void XSession::killServer()
{
    m_server->signal(SIGKILL);
    m_server->waitForExit(std::chrono::seconds(10));
}

CommandResult XSession::xdotool(const QStringList& args)
{
    return runCommand(QStringList{QStringLiteral("xdotool")} + args, optionsFor({}));
}

std::optional<WindowId> XSession::waitForWindow(const QString& title, std::optional<pid_t> pid,
                                                std::chrono::milliseconds timeout)
{
    std::optional<WindowId> found;
    waitFor(
        [&] {
            for (WindowId window : m_display->findWindows(title)) {
                if (!pid || m_display->pid(window) == pid) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

} // namespace vistrel::test
