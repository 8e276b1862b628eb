#include "app/SignalWatcher.h"

#include "platform/TerminationNotice.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vistrel {

namespace {

int g_signalSockets[2] = {-1, -1};
volatile std::sig_atomic_t g_signalArrived = 0;

extern "C" void forwardSignal(int signalNumber)
{
    g_signalArrived = 1;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_signalSockets[0], &byte, 1);
}

} // namespace

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSockets) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::onReadable);
    setTerminationNoticeFd(g_signalSockets[1]);

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signalNumber, SIG_DFL);
    setTerminationNoticeFd(-1);
    ::close(g_signalSockets[0]);
    ::close(g_signalSockets[1]);
    g_signalSockets[0] = g_signalSockets[1] = -1;
}

bool SignalWatcher::signalArrived()
{
    return g_signalArrived != 0;
}

void SignalWatcher::onReadable()
{
    char byte = 0;
    if (::read(g_signalSockets[1], &byte, 1) == 1)
        Q_EMIT terminationRequested();
}

} // namespace vistrel
