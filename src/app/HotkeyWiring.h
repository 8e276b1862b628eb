#pragma once

#include "app/RequestResult.h"
#include "hotkeys/RequestCapture.h"
#include "settings/Settings.h"

#include <QList>
#include <QStringList>

#include <memory>
#include <optional>

class QAction;

namespace vistrel {

class CommandMap;
class TfrmMain;
class TfrmHotKey;
class TfrmParam;

// Connects the hotkey commands to the main window: the system-wide hotkeys,
// the tray's hotkey submenu, the request-driven capture and the command line.
class HotkeyWiring : private RequestHost {
public:
    explicit HotkeyWiring(TfrmMain& main);
    ~HotkeyWiring() override;
    HotkeyWiring(const HotkeyWiring&) = delete;
    HotkeyWiring& operator=(const HotkeyWiring&) = delete;

    // Binds this subsystem's handlers in the command table.
    void bind(CommandMap& commands);

    // Start-up: the capture given on the command line. Holds the process exit
    // code when the program is to end after the capture; the reason for a failure is
    // then written to standard error instead of a message box.
    std::optional<int> StartupCapture(const CaptureRequest& request);
    // A capture handed over by a later start, carried out as a tray item's would be; its
    // messages go back to the caller instead of into boxes.
    RequestResult runHandedRequest(const CaptureRequest& request);
    // Why a request cannot run now (a capture runs, a dialog is open); empty when it can.
    QString busyReason() const;
    // Registers every complete entry; the ones that fail are reported together, after the
    // main window is up (or in the status bar when the program starts to the tray).
    void RegisterAllHotkeys();
    void UnregisterAllHotkeys();
    void FillTrayHotkeyMenu();

    // The hotkey list, opened from the Tools menu and the tray. The hotkeys are
    // released meanwhile, so that a combination pressed in the dialog is typed.
    void mnuToolHotkeyClick();

    // A hotkey press (identifier 200 to 220) and a click on a tray hotkey item.
    void hotkeyPressed(int id);
    void mnuTrayCapKey0Click(int slot);

    RequestCapture& requests() { return m_requests; }

private:
    void runRequest(int slot, bool fromHotkey);
    // False when another capture is running and the request was dropped.
    bool runExclusive(const CaptureRequest& request, bool fromHotkey);
    // Runs a request for a caller that reads the result, not the screen.
    RequestResult runReported(const CaptureRequest& request, bool fromCommandLine);
    TfrmParam& param();
    TfrmHotKey& hotkeyList();
    void reportRegistrationFailures(const QStringList& failures, bool atStart);
    void noteCommandLineHotkeys();
    void showCommandLineNote();

    // RequestHost
    bool isMainWindowVisible() const override;
    void hideForCapture() override;
    void restoreAfterCapture(bool visible) override;
    void bringToFront() override;
    int AskCaptureKind(CaptureOptions& options) override;
    int AskAfterAction(const QImage& picture) override;
    bool PerformAfterAction(int code) override;
    void showMessage(const QString& text) override;

    TfrmMain& m_main;
    RequestCapture m_requests;
    std::unique_ptr<TfrmParam> m_param;
    std::unique_ptr<TfrmHotKey> m_hotkeyList;
    QList<QAction*> m_trayItems;
    bool m_running = false;
    bool m_editingList = false;
    bool m_registeredBefore = false;
};

} // namespace vistrel
