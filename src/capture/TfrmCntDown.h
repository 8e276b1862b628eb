#pragma once

#include "capture/Countdown.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;

namespace vistrel {

// The small always-on-top window that counts down to a timer capture. It
// never takes the focus, so the window the user brings to the front during
// the countdown is the one an active-window capture takes.
class TfrmCntDown : public QWidget {
    Q_OBJECT
public:
    static constexpr int WindowHeight = 55;
    static constexpr int ClientWidth = 160;

    // Without a clock the window ticks with its timer `timCnt`.
    explicit TfrmCntDown(std::unique_ptr<CountdownClock> clock = {});
    ~TfrmCntDown() override;

    // Sets the time, sizes and places the window and shows it; `finished`
    // follows when the time has run out or the countdown was cancelled.
    void start(int milliseconds, int position);
    bool counting() const { return m_counting; }
    // Ends a running countdown at once without a capture (Esc, the window's close button, or
    // the program ending).
    void cancel();

    // Hides the window and returns once it is off the screen, as far as
    // `offScreen` can tell (bounded, so a capture never hangs on it).
    void hideFromScreen();
    void setOffScreenCheck(std::function<bool()> offScreen) { m_offScreen = std::move(offScreen); }

Q_SIGNALS:
    void finished();
    // Comes before `finished` when no capture is to follow.
    void cancelled();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLabels();
    void timCntTimer();
    void showDigits();
    void place();
    void finish();
    void AppDeactivate();

    Countdown m_countdown;
    std::unique_ptr<CountdownClock> m_clock;
    QLabel* m_lblSec = nullptr;
    QLabel* m_lblMSec = nullptr;
    int m_position = 0;
    bool m_counting = false;
    std::function<bool()> m_offScreen;
};

// Counts `milliseconds` down in `window` when `show`, else only waits; the
// window system's events and user input (the close button, the tray menu) keep flowing
// either way. False when the countdown was cancelled (also while it only waits), so that no capture
// follows.
bool RunCountdown(TfrmCntDown& window, int milliseconds, bool show, int position);

} // namespace vistrel
