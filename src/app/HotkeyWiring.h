#pragma once

#include <optional>

namespace vistrel {

class CommandMap;
class TfrmMain;

// Connects the hotkey commands to the main window.
class HotkeyWiring {
public:
    explicit HotkeyWiring(TfrmMain& main);
    HotkeyWiring(const HotkeyWiring&) = delete;
    HotkeyWiring& operator=(const HotkeyWiring&) = delete;

    // Binds this subsystem's handlers in the command table.
    void bind(CommandMap& commands);

    // Start-up: the capture given on the command line. Holds the process exit
    // code when the program is to end after the capture.
    std::optional<int> StartupCapture();
    void RegisterAllHotkeys();
    void UnregisterAllHotkeys();

private:
    TfrmMain& m_main;
};

} // namespace vistrel
