#pragma once

#include "capture/CaptureEngine.h"
#include "hotkeys/AutoSaveRestore.h"
#include "hotkeys/CaptureRequest.h"
#include "settings/Settings.h"

#include <QImage>
#include <QString>

namespace vistrel {

// What a request-driven capture needs from the main window.
class RequestHost {
public:
    virtual ~RequestHost() = default;
    virtual bool isMainWindowVisible() const = 0;
    // Hides the tray icon and the main window and lets the screen repaint.
    virtual void hideForCapture() = 0;
    // Gives the main window the visibility wanted and shows the tray icon again.
    virtual void restoreAfterCapture(bool visible) = 0;
    // Lets the action's dialogs come to the front even while the window is hidden.
    virtual void bringToFront() = 0;
    // The two questions of the startup-options dialog; 0 when cancelled.
    virtual int AskCaptureKind(CaptureOptions& options) = 0;
    virtual int AskAfterAction(const QImage& picture) = 0;
    // Carries out an action code 1 to 9 on the current image; false when it did not do
    // what it reports (a cancelled dialog, a missing folder); throws on failure.
    virtual bool PerformAfterAction(int code) = 0;
    virtual void showMessage(const QString& text) = 0;
};

// The capture started by a hotkey, a tray hotkey item or the command line:
// the options come from the request and the picture goes to the request's own
// action; the main window keeps its visibility except after action 9.
class RequestCapture {
public:
    // How the last request ended, for the command line's exit status: Unavailable for an
    // action that is not built, NotDone when the action ran but did not do its work.
    enum class Outcome { NotRun, Done, Aborted, Cancelled, Failed, Unavailable, NotDone };

    RequestCapture(CaptureEngine& engine, Settings& settings, QImage& currentImage,
                   RequestHost& host);

    // Set while a real hotkey press is being served: an active-window capture
    // then takes the window in front instead of the one before our menu.
    bool hotkeyInProgress = false;
    // Set while a request handed over by a later start is served: its continuous-save
    // fields hold for that request only.
    bool handedOver = false;

    // False when the request has no kind or no action (nothing is done).
    bool CaptureByHotkey(const CaptureRequest& request, bool fromCommandLine);
    Outcome lastOutcome() const { return m_outcome; }
    // The action code of the last request once known (after the question, if any).
    int lastAction() const { return m_action; }
    // The continuous-save fields a command-line request of this start overrode: such an
    // override lasts for its run only, so the settings stored at exit take it back.
    const AutoSaveRestore& runOverride() const { return m_runOverride; }

private:
    bool carryOut(const CaptureRequest& request, bool fromCommandLine);
    int captureWithRestore(int kind, bool visible, bool fromCommandLine);
    bool perform(int action, bool visible, bool fromCommandLine);
    void finish(int action, bool visible, bool fromCommandLine);

    CaptureEngine& m_engine;
    Settings& m_settings;
    QImage& m_currentImage;
    RequestHost& m_host;
    Outcome m_outcome = Outcome::NotRun;
    int m_action = 0;
    AutoSaveRestore m_runOverride;
};

} // namespace vistrel
