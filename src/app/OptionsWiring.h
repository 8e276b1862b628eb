#pragma once

namespace vistrel {

class CommandMap;
class TfrmMain;

// Connects the options dialog and the external tools to the main window.
class OptionsWiring {
public:
    explicit OptionsWiring(TfrmMain& main) : m_main(main) {}
    OptionsWiring(const OptionsWiring&) = delete;
    OptionsWiring& operator=(const OptionsWiring&) = delete;

    // Binds this subsystem's handlers in the command table.
    void bind(CommandMap& commands);

    // Shows the options in the main window: the continuous-save folder, the
    // view's background, the print scale and the tool items.
    void ApplyOptions();
    // The Tools menu items and tool buttons from the tool table.
    void ApplyToolTable();

    // At exit: the picture handed to the tools goes with the run.
    void DeleteExchangePicture();

    void mnuToolOptionClick();
    // Runs tool `tag` (1 to 5) on the picture shown.
    void mnuToolApp1Click(int tag);

private:
    TfrmMain& m_main;
    bool m_editing = false;
};

} // namespace vistrel
