#include "output/clipboard/ClipboardKeeper.h"

#include "output/clipboard/ClipboardPicture.h"
#include "platform/FileWriting.h"
#include "platform/SelectionKeeper.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vistrel {

namespace {

constexpr char Magic[8] = {'V', 'S', 'T', 'C', 'L', 'I', 'P', '1'};

// What goes through the socket before the rows of a Format_RGB32 picture.
struct Header {
    char magic[8];
    quint32 width;
    quint32 height;
};

// The keeper answers once it holds the clipboard, or once a clipboard manager has saved it
// (which takes the manager's own time, bounded by the keeper).
constexpr int ReportWaitMs = 10000;

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool readAll(int fd, char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool sendPicture(int fd, const QImage& picture)
{
    Header header{};
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.width = quint32(picture.width());
    header.height = quint32(picture.height());
    if (!sendAll(fd, reinterpret_cast<const char*>(&header), sizeof header))
        return false;
    const size_t row = size_t(picture.width()) * 4;
    for (int y = 0; y < picture.height(); ++y)
        if (!sendAll(fd, reinterpret_cast<const char*>(picture.constScanLine(y)), row))
            return false;
    return true;
}

QImage receivePicture(int fd)
{
    Header header{};
    if (!readAll(fd, reinterpret_cast<char*>(&header), sizeof header) ||
        std::memcmp(header.magic, Magic, sizeof Magic) != 0)
        return {};
    // Any picture the program could hold comes here (a long scroll capture is far over
    // 65,535 rows); large values are served in pieces. QImage refuses what it cannot hold.
    if (header.width == 0 || header.height == 0 || header.width > quint32(INT_MAX / 4) ||
        header.height > quint32(INT_MAX))
        return {};
    QImage picture(int(header.width), int(header.height), QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    const size_t row = size_t(header.width) * 4;
    for (int y = 0; y < picture.height(); ++y)
        if (!readAll(fd, reinterpret_cast<char*>(picture.scanLine(y)), row))
            return {};
    return picture;
}

// The keeper runs in a session of its own, so that closing the terminal the command line
// ran in does not end it; it keeps no descriptor of ours open (no lock, no output pipe).
pid_t startKeeper(int socket, const char* keeperArgument)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, socket, 0);
    posix_spawn_file_actions_adddup2(&actions, socket, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (const int signal : {SIGPIPE, SIGHUP, SIGINT, SIGTERM})
        sigaddset(&signals, signal);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>("vistrel"), const_cast<char*>(keeperArgument), nullptr};
    pid_t pid = -1;
    const int error = posix_spawn(&pid, "/proc/self/exe", &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

QByteArray readReport(int fd)
{
    QByteArray line;
    QElapsedTimer clock;
    clock.start();
    while (!line.endsWith('\n')) {
        const int left = ReportWaitMs - int(clock.elapsed());
        pollfd descriptor{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&descriptor, 1, left) <= 0)
            return {};
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        line.append(c);
    }
    return line.trimmed();
}

// Qt learns of the keeper's ownership through an event; until then it would still offer the
// picture itself at exit.
void waitUntilReleased(QClipboard* clipboard)
{
    QElapsedTimer clock;
    clock.start();
    while (clipboard->ownsClipboard() && clock.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
}

void report(const char* line)
{
    sendAll(1, line, std::strlen(line)); // a parent that is gone needs no answer
}

// After the report nothing of the parent's stays open in the keeper.
void detachFromParent()
{
    const int nowhere = ::open("/dev/null", O_RDWR);
    if (nowhere < 0)
        return;
    ::dup2(nowhere, 0);
    ::dup2(nowhere, 1);
    ::close(nowhere);
}

} // namespace

bool ClipboardKeeper::isKeeperArgument(const char* argument)
{
    return std::strcmp(argument, KeeperArgument) == 0 ||
           std::strcmp(argument, WaylandKeeperArgument) == 0;
}

ClipboardKeeper::Result ClipboardKeeper::keepAfterExit(QString* reason, bool windowLess)
{
    const QString platform = QGuiApplication::platformName();
    const bool wayland = platform.startsWith(QLatin1String("wayland"));
    if (platform != QLatin1String("xcb") && !wayland) // offscreen: no clipboard outlives anything
        return Result::NothingToKeep;
    QClipboard* clipboard = QGuiApplication::clipboard();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); // a loss already queued
    const auto* ours = clipboard->ownsClipboard()
                           ? qobject_cast<const ClipboardPicture*>(clipboard->mimeData())
                           : nullptr;
    const QImage copied = ours != nullptr         ? ours->picture()
                          : wayland && windowLess ? lastCopiedPicture()
                                                  : QImage();
    if (copied.isNull())
        return Result::NothingToKeep;
    const QImage picture = copied.convertToFormat(QImage::Format_RGB32);

    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        *reason = systemErrorText(errno);
        return Result::Failed;
    }
    const pid_t keeper = startKeeper(sockets[1], wayland ? WaylandKeeperArgument : KeeperArgument);
    ::close(sockets[1]);
    const QByteArray answer =
        keeper > 0 && sendPicture(sockets[0], picture) ? readReport(sockets[0]) : QByteArray();
    ::close(sockets[0]);
    if (answer == "saved" || answer == "serving") {
        ::waitpid(keeper, nullptr, WNOHANG); // one that handed over to a manager has ended
        // A Wayland compositor need not tell a window-less program that its offer was
        // replaced (it never took it): only X11 waits.
        if (!wayland)
            waitUntilReleased(clipboard);
        return Result::Kept;
    }
    if (keeper > 0) {
        ::kill(keeper, SIGKILL); // silent or failed: it must not hold the clipboard half-way
        ::waitpid(keeper, nullptr, 0);
    }
    *reason = answer.startsWith("failed ") ? QString::fromUtf8(answer.mid(7))
                                           : QStringLiteral("the clipboard keeper did not answer");
    return Result::Failed;
}

int ClipboardKeeper::runKeeper(const char* argument)
{
    std::signal(SIGPIPE, SIG_IGN); // a display that goes away ends the keeper through xcb
    struct stat input {};
    if (::fstat(0, &input) != 0 || !S_ISSOCK(input.st_mode)) {
        std::fprintf(stderr, "vistrel: %s is started by the program itself\n", KeeperArgument);
        return 2;
    }
    const QImage picture = receivePicture(0);
    if (picture.isNull()) {
        report("failed no picture received\n");
        return 1;
    }
    const auto offer = [&picture](const char* type) {
        return SelectionOffer{type, [&picture, type] {
                                  return ClipboardPicture::encode(picture,
                                                                  QString::fromLatin1(type));
                              }};
    };
    const std::vector<SelectionOffer> offers{offer(ClipboardPicture::Png),
                                             offer(ClipboardPicture::Bmp)};
    int status = 0;
    const auto keep = std::strcmp(argument, WaylandKeeperArgument) == 0
                          ? &keepWaylandClipboardSelection
                          : &keepClipboardSelection;
    keep(offers, [&status](KeeperState state, const QString& why) {
        if (state == KeeperState::Failed) {
            status = 1;
            report(("failed " + why.toUtf8() + '\n').constData());
        } else {
            report(state == KeeperState::Saved ? "saved\n" : "serving\n");
        }
        detachFromParent();
    });
    return status;
}

} // namespace vistrel
