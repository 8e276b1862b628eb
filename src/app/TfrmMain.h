#pragma once

#include "app/Settings.h"
#include "app/SettingsStore.h"

#include <QMainWindow>

namespace vistrel {

class Platform;

// The main window: layout, life cycle and the command map. Each subsystem's
// state and commands live in their own objects, which this window holds.
class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    TfrmMain(Platform& platform, QWidget* parent = nullptr);
    ~TfrmMain() override;

    Settings& settings() { return m_settings; }
    const SettingsStore& settingsStore() const { return m_store; }

    void LoadSettings();
    void SaveSettings();

    // The exit sequence: save the settings, release what the run holds and
    // close. Throws (and goes no further) when the settings cannot be saved.
    void mnuFileExitClick();
    // Log-off, shut-down or a termination signal: the exit sequence, then the end.
    void endSession();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applyWindowGeometry();
    void runExitSteps();

    Platform& m_platform;
    SettingsStore m_store;
    Settings m_settings;
    bool m_closing = false;
};

} // namespace vistrel
