#include "platform/x11/X11DisplayLoss.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <pthread.h>

namespace vistrel::x11 {

namespace {

std::atomic<X11DisplayLoss*> watching{nullptr};
pthread_t watchingThread;
QtMessageHandler previousHandler = nullptr;
std::atomic<bool> reported{false};

// The text Qt's xcb plugin (and its Xlib error handler) starts with when the server is gone.
bool isBrokenConnectionWarning(const QString& message)
{
    return message.startsWith(QLatin1String("The X11 connection broke"));
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && watching.load() != nullptr && isBrokenConnectionWarning(message))
        return; // told in Japanese as the program ends
    if (previousHandler != nullptr)
        previousHandler(type, context, message);
}

} // namespace

X11DisplayLoss::X11DisplayLoss(xcb_connection_t* connection, std::function<void()> lost)
    : m_connection(connection), m_lost(std::move(lost))
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        previousHandler = qInstallMessageHandler(handleMessage);
        std::atexit(&X11DisplayLoss::atExit);
    });
    watchingThread = pthread_self();
    watching.store(this);
}

X11DisplayLoss::~X11DisplayLoss()
{
    watching.store(nullptr);
}

void X11DisplayLoss::reportBrokenConnection()
{
    if (!reported.exchange(true))
        std::fputs("vistrel: X サーバーとの接続が切れたため終了します。\n", stderr);
}

void X11DisplayLoss::atExit()
{
    X11DisplayLoss* const watch = watching.exchange(nullptr);
    if (watch == nullptr || xcb_connection_has_error(watch->m_connection) == 0)
        return;
    reportBrokenConnection();
    // From another thread the window and the settings would be touched behind the GUI
    // thread's back: only the message then.
    if (pthread_equal(pthread_self(), watchingThread) == 0 || !watch->m_lost)
        return;
    try {
        watch->m_lost();
    } catch (...) {
        std::fputs("vistrel: 設定を保存できませんでした。\n", stderr);
    }
}

} // namespace vistrel::x11
