#pragma once

#include <memory>

namespace vistrel {

class CommandMap;
class TfrmCntDown;
class TfrmMain;

// Connects the timer commands to the main window and gives the capture
// engine its countdown.
class TimerWiring {
public:
    explicit TimerWiring(TfrmMain& main);
    ~TimerWiring();
    TimerWiring(const TimerWiring&) = delete;
    TimerWiring& operator=(const TimerWiring&) = delete;

    // Binds this subsystem's handlers in the command table.
    void bind(CommandMap& commands);

    // False when Esc, the countdown window's close button or the tray item called the capture
    // off.
    bool RunCountdown(int milliseconds);
    bool countdownRunning() const { return m_countdownRunning; }
    // Ends a running countdown without a capture, for a program that must end.
    void abortCountdown();
    // Runs the timer settings dialog and copies the seconds into the toolbar spin.
    void mnuToolTimerSetClick();

    TfrmCntDown& countdownWindow() { return *m_frmCntDown; }

private:
    bool countdownOffScreen() const;

    TfrmMain& m_main;
    bool m_countdownRunning = false;
    // Made once at start and reused by every countdown.
    std::unique_ptr<TfrmCntDown> m_frmCntDown;
};

} // namespace vistrel
