#pragma once

#include "hotkeys/RequestCapture.h"
#include "output/AfterActions.h"
#include "settings/SettingsStore.h"

namespace vistrel {

class Platform;

// A command-line capture that ends the program, run without building the main window, its
// menus or its tray icon: settings, grab, action, exit. Exit status, messages on standard
// error and the settings written at the end are those of the full start.
class CommandLineRun : private RequestHost, private AfterActionHost {
public:
    explicit CommandLineRun(Platform& platform);

    // A full-screen or active-window capture saved continuously, with no question, countdown
    // or window to show: the run a script or a hotkey daemon repeats.
    static bool handles(const CaptureRequest& request);
    // The process exit status.
    int run(const CaptureRequest& request);

private:
    // RequestHost: there is no window to hide or show, and no question is asked.
    bool isMainWindowVisible() const override { return false; }
    void hideForCapture() override {}
    void restoreAfterCapture(bool) override {}
    void bringToFront() override {}
    int AskCaptureKind(CaptureOptions&) override { return 0; }
    int AskAfterAction(const QImage&) override { return 0; }
    bool PerformAfterAction(int code) override;
    void showMessage(const QString& text) override;

    // AfterActionHost: only the continuous save is run here.
    bool saveAs(int) override { return false; }
    std::optional<QString> continuousSave() override;
    void copyToClipboard() override {}
    QString printCurrentImage() override { return {}; }
    QString sendCurrentImageByMail() override { return {}; }
    void showCurrentImage() override {}
    void showStatusMessage(const QString&) override {}
    bool checkPictureShown() override { return false; }
    void endEditMode() override {}
    void copyViewToCurrentImage() override {}
    void setBusy(bool) override {}

    // As closing the hidden main window: with APCLOSE, or with no tray to stay in, the
    // settings are saved and the tab pictures removed.
    void runExitSteps();

    Platform& m_platform;
    SettingsStore m_store;
    Settings* m_settings = nullptr;
    const RequestCapture* m_requests = nullptr;
    QImage m_current;
};

} // namespace vistrel
