#include "app/TimerWiring.h"

#include "app/CommandMap.h"
#include "app/TfrmMain.h"
#include "capture/TfrmCntDown.h"
#include "capture/TfrmTime.h"
#include "platform/Platform.h"

#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>

namespace vistrel {

namespace {

// Often enough to see a short press where the key is only found held down.
constexpr int EscapePollMs = 20;

} // namespace

TimerWiring::TimerWiring(TfrmMain& main)
    : m_main(main), m_frmCntDown(std::make_unique<TfrmCntDown>())
{
    m_frmCntDown->setOffScreenCheck([this] { return countdownOffScreen(); });
    m_main.captureEngine().runCountdown = [this](int milliseconds) {
        return RunCountdown(milliseconds);
    };
}

TimerWiring::~TimerWiring()
{
    m_main.captureEngine().runCountdown = nullptr;
}

void TimerWiring::bind(CommandMap& commands)
{
    commands.bind(QStringLiteral("mnuToolTimerSetClick"), [this](int) { mnuToolTimerSetClick(); });
    commands.bind(QStringLiteral("mnuTrayCapStopClick"), [this](int) {
        if (m_countdownRunning)
            m_frmCntDown->cancel();
    });
}

bool TimerWiring::RunCountdown(int milliseconds)
{
    const Settings& settings = m_main.settings();
    // The countdown window never takes the focus, so Esc is watched on the whole display.
    Platform& platform = m_main.platform();
    platform.watchEscape(true);
    QTimer escapePoll;
    escapePoll.setInterval(EscapePollMs);
    QObject::connect(&escapePoll, &QTimer::timeout, m_frmCntDown.get(), [this, &platform] {
        if (platform.escapePressed())
            m_frmCntDown->cancel();
    });
    escapePoll.start();
    m_countdownRunning = true;
    m_main.showTrayForCountdown(true);
    const bool ranOut = vistrel::RunCountdown(*m_frmCntDown, milliseconds, settings.TIMER.SHOW,
                                              settings.TIMER.POSITION);
    m_countdownRunning = false;
    m_main.showTrayForCountdown(false);
    escapePoll.stop();
    platform.watchEscape(false);
    return ranOut;
}

void TimerWiring::abortCountdown()
{
    m_main.captureEngine().abortRequested = true;
    if (m_countdownRunning)
        m_frmCntDown->cancel();
}

bool TimerWiring::countdownOffScreen() const
{
    // Gone once the window manager has let go of it, frame and all.
    const WindowId own = WindowId(m_frmCntDown->winId());
    const QList<StackedWindow> windows = m_main.platform().windowsTopToBottom();
    return std::none_of(windows.begin(), windows.end(), [own](const StackedWindow& window) {
        return window.id == own && window.visible;
    });
}

void TimerWiring::mnuToolTimerSetClick()
{
    Settings& settings = m_main.settings();
    int seconds = settings.TIMER.MINUTE;
    if (!EditTimerSettings(&m_main, seconds, settings.TIMER.SHOW, settings.TIMER.POSITION))
        return;
    settings.TIMER.MINUTE = seconds;
    if (QSpinBox* spin = m_main.udownTime()) {
        // Set by program, not by a click on the arrows: no trace box at 60.
        const QSignalBlocker quiet(spin);
        spin->setValue(seconds);
    }
}

} // namespace vistrel
