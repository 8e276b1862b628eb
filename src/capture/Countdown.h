#pragma once

#include <QString>

#include <functional>

namespace vistrel {

// Delivers the countdown's ticks, one per 100 ms; tests step it by hand.
class CountdownClock {
public:
    static constexpr int TickMilliseconds = 100;

    virtual ~CountdownClock() = default;
    virtual void start(std::function<void()> onTick) = 0;
    virtual void stop() = 0;
};

// What the countdown window shows: whole seconds and the tenths digit left,
// stepped by the clock's ticks rather than by wall time.
class Countdown {
public:
    void start(int totalMilliseconds);
    // One tick; false once the time has run out.
    bool tick();

    bool running() const { return remaining() > 0; }
    int remaining() const { return m_total - m_elapsed; }
    QString secondsText() const;
    QString tenthsText() const;

private:
    int m_total = 0;
    int m_elapsed = 0;
    // The digits last shown: they stay put on the tick that ends the countdown.
    int m_shown = 0;
};

} // namespace vistrel
