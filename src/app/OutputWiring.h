#pragma once

namespace vistrel {

class CommandMap;
class TfrmMain;

// Connects the output commands to the main window.
class OutputWiring {
public:
    explicit OutputWiring(TfrmMain& main);
    OutputWiring(const OutputWiring&) = delete;
    OutputWiring& operator=(const OutputWiring&) = delete;

    // Binds this subsystem's handlers in the command table.
    void bind(CommandMap& commands);

    // Runs the after-capture action selected in the main window (0 to 8) as if
    // its command had been clicked.
    void runAfterActionCommand(int code);
    // Carries out an after-capture action (1 to 9) on the current image, as a
    // request from a hotkey, the tray or the command line asks.
    void PerformAfterAction(int code);

    void mnuFileOpenClick();

private:
    TfrmMain& m_main;
};

} // namespace vistrel
