#pragma once

#include "capture/CaptureEngine.h"
#include "capture/MenuCapture.h"
#include "capture/scroll/ScrollingCapture.h"
#include "edit/ImageDocument.h"
#include "edit/TempPictures.h"
#include "edit/TransformCommands.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QSplitter;
class QSpinBox;
class QSystemTrayIcon;

namespace vistrel {

class BrowserWiring;
class CommandMap;
class EditWiring;
class HotkeyWiring;
class OptionsWiring;
class OutputWiring;
class StampWiring;
class TimerWiring;
class ImageArea;
class Platform;
class StatusPanels;

// The main window: layout, life cycle and the command map. Each subsystem's
// state and commands live in their own objects, which this window holds.
class TfrmMain : public QMainWindow, private CaptureHost {
    Q_OBJECT

public:
    explicit TfrmMain(Platform& platform, QWidget* parent = nullptr);
    ~TfrmMain() override;

    Settings& settings() { return m_settings; }
    // Why the settings file could not be read at start; empty when it could.
    const QString& settingsLoadProblem() const { return m_store.loadProblem(); }
    ImageDocument& document() { return m_document; }
    CaptureEngine& captureEngine() { return m_engine; }
    MenuCapture& menuCapture() { return m_menuCapture; }
    CommandMap& commands() { return *m_commands; }
    StatusPanels& status() { return *m_status; }
    Platform& platform() { return m_platform; }
    ImageArea& imageArea() { return *m_imageArea; }
    SettingsStore& settingsStore() { return m_store; }
    TempPictures& tempPictures() { return m_temp; }
    HotkeyWiring& hotkeys() { return *m_hotkeys; }
    OutputWiring& output() { return *m_output; }
    TimerWiring& timer() { return *m_timer; }
    EditWiring& edit() { return *m_edit; }
    OptionsWiring& options() { return *m_options; }
    BrowserWiring& browser() { return *m_browser; }
    QSplitter* splFile() const { return m_splFile; }
    StampWiring& stamps() { return *m_stamps; }
    QSpinBox* udownTime() const { return m_udownTime; }
    QComboBox* cboAfterAct() const { return m_cboAfterAct; }
    QSystemTrayIcon* trayIcon() const { return m_tryCap; }

    void LoadSettings();
    void SaveSettings();
    // The tab pictures and the exchange picture of this run, removed as it ends.
    void removeRunFiles();

    // The exit sequence: save the settings, delete the tab pictures and close.
    // Throws (and goes no further) when the settings cannot be saved.
    void mnuFileExitClick();
    // Draws the drawing tools' objects into the picture before it leaves the window.
    void commitDrawing();
    // The session ends or a termination signal came: the exit sequence with no
    // one to answer a box, so a failed save goes to stderr. Closes the window and
    // returns the exit status (1 when the settings could not be written).
    int endSession();
    // endSession for a termination signal, then the end of the event loop with its status.
    void endSessionAndExit();
    // A session checkpoint (the session manager's save request): the settings
    // are written and the program keeps running. Throws when they cannot be.
    void commitSessionData();

    // Sees the application's quit request: one from outside (the session manager's
    // end of the session) runs the exit sequence before the windows are closed.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Whether the main window is shown at start (otherwise only the tray icon).
    bool startsVisible() const;
    void tryCapDblClick();
    // The notification-area icon appears after start-up, not during a
    // command-line capture that ends the program.
    void showTrayIcon();

    // Hides the tray icon and the window before a capture and lets the screen repaint.
    void hideForCapture() override;
    // Gives the window the visibility wanted and shows the tray icon again.
    void restoreAfterCapture(bool visible);
    // While a countdown runs the tray icon is back, its menu offering only the item that calls
    // the capture off; afterwards it is hidden again, off the picture.
    void showTrayForCountdown(bool counting);

    // Asks whether the program may end with unsaved edits; tests answer it themselves.
    std::function<bool(const QString& question)> confirmExit;
    // Asks whether the edits kept at the last session's end come back; tests answer it.
    std::function<bool(const QString& question)> confirmRestore;
    // The private folder where the session's end keeps the pictures with unsaved edits.
    QString keptEditsFolder() const;
    // Writes the pictures with unsaved edits there, for a session end no one can answer.
    void keepEditedTabs();
    // The window run has begun: pictures kept at the last session's end are offered back.
    void offerKeptEdits();
    // The tab's caption and file, then the program's name.
    void showWindowTitle();

    // The window's outer size (frame included), as SCREEN/WIDTH and HEIGHT hold it.
    QSize outerSize() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Commands the window system cannot back stay visible, disabled, with the reason.
    void disableWhatThePlatformCannotDo();
    void buildLayout();
    void buildTimerBox();
    void buildAfterActionBox();
    void buildTrayIcon();
    void bindCommands();
    void applyWindowGeometry();
    void fitOuterSize();
    void applyCaptureToggles();
    void runExitSteps();
    // Whether the user lets the program end; asks once when any tab holds unsaved edits.
    bool exitConfirmed();
    bool hasTray() const;

    void toggleCaptureOption(bool& option, const QString& itemName);
    // 0 fit to the window, 1 actual size, 2 zoom in, 3 zoom out.
    void mnuHyojiZoomClick(int tag);
    void mnuAfterAct0Click(int tag);
    void cboAfterActChange(int index);
    void udownTimeClick(int seconds);

    // CaptureHost
    void endEditMode() override;
    void showAfterCapture() override;
    void runAfterActionCommand(int code) override;

    Platform& m_platform;
    SettingsStore m_store;
    Settings m_settings;
    TempPictures m_temp;
    ImageDocument m_document;
    StatusPanels* m_status;
    CaptureEngine m_engine;
    MenuCapture m_menuCapture;
    TransformCommands m_transforms;
    CommandMap* m_commands = nullptr;
    ImageArea* m_imageArea = nullptr;
    QSplitter* m_splFile = nullptr;
    QSpinBox* m_udownTime = nullptr;
    QComboBox* m_cboAfterAct = nullptr;
    QSystemTrayIcon* m_tryCap = nullptr;
    // Whether the tray icon was up when a capture hid it.
    bool m_trayBeforeCapture = false;
    // The tray items hidden during a countdown, shown again after it.
    QList<QAction*> m_trayItemsPutAway;
    bool m_closing = false;
    // The stored outer size until the window manager's frame is known.
    std::optional<QSize> m_pendingOuterSize;
    std::unique_ptr<OutputWiring> m_output;
    std::unique_ptr<TimerWiring> m_timer;
    std::unique_ptr<HotkeyWiring> m_hotkeys;
    std::unique_ptr<EditWiring> m_edit;
    std::unique_ptr<OptionsWiring> m_options;
    std::unique_ptr<ScrollTrace> m_scrollTrace;
    std::unique_ptr<BrowserWiring> m_browser;
    std::unique_ptr<StampWiring> m_stamps;
};

} // namespace vistrel
