#pragma once

#include <memory>

namespace vistrel {

class CommandMap;
class StampTools;
class TfrmMain;

// Connects stamping (standard cursors, registered icons, icon files) to the main window.
class StampWiring {
public:
    explicit StampWiring(TfrmMain& main);
    ~StampWiring();
    StampWiring(const StampWiring&) = delete;
    StampWiring& operator=(const StampWiring&) = delete;

    // Binds this subsystem's handlers in the command table and lays out the cursor menus.
    void bind(CommandMap& commands);

    StampTools& tools() { return *m_tools; }
    void mnuIconEditClick();

private:
    TfrmMain& m_main;
    std::unique_ptr<StampTools> m_tools;
};

} // namespace vistrel
