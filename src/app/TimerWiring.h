#pragma once

namespace vistrel {

class CommandMap;
class TfrmMain;

// Connects the timer commands to the main window.
class TimerWiring {
public:
    explicit TimerWiring(TfrmMain& main);
    TimerWiring(const TimerWiring&) = delete;
    TimerWiring& operator=(const TimerWiring&) = delete;

    // Binds this subsystem's handlers in the command table.
    void bind(CommandMap& commands);

private:
    TfrmMain& m_main;
};

} // namespace vistrel
