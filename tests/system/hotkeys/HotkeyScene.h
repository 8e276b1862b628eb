#pragma once

#include "harness/TrayHost.h"
#include "harness/VistrelProcess.h"
#include "harness/XSession.h"

#include <QStringList>

#include <optional>

struct xcb_connection_t;

namespace vistrel::test {

// A session with the program, its continuous-save folder and the X steps the
// hotkey tests share.
class HotkeyScene {
public:
    HotkeyScene();
    ~HotkeyScene();

    XSession& session() { return m_session; }
    VistrelProcess& vistrel() { return m_vistrel; }
    QString shotFolder() const { return m_session.tempDir() + QStringLiteral("/shots"); }
    // The settings file: PNG continuous save into the shot folder, no wait,
    // and the given hotkey section and extra lines.
    void writeIni(const QString& hotkeys, const QString& all = QString());
    // The continuous-save files written so far, sorted.
    QStringList shots() const;
    bool waitForShots(int count);

    // A notification area (trayer), up once it owns the tray selection.
    void startTray();
    // Asks a window to close, as its close button does.
    void requestClose(WindowId window);
    // Presses keys through the X test extension.
    void keys(const QString& combination);
    // Waits until another client (the program picking a window) holds the keyboard.
    bool waitForKeyboardGrab();
    // Starts another client that holds Ctrl+Alt+<keysym> first.
    void holdKey(unsigned keysym);
    // Whether a client could grab the key alone now: nobody holds it.
    bool keyIsFree(unsigned keysym);
    // Reconfigures the window manager without its own binding of Print.
    void releasePrintFromWindowManager();
    // Closes message boxes (titled like the main window) until these lines have
    // been logged, one box each.
    void closeMessageBoxes(const QStringList& lines);
    // Brings the window to the front, focused, and presses keys in it.
    void activate(WindowId window);
    // The program's window with this exact title, once it is mapped and active.
    std::optional<WindowId> waitForDialog(const QString& title);
    bool waitForDialogGone(const QString& title);
    // The program's mapped windows titled "Vistrel" that the window manager
    // manages: not menus, not the docked tray icon.
    QList<WindowId> programWindows();
    std::optional<WindowId> waitForMainWindow();

    std::string log() const;

private:
    XSession m_session;
    VistrelProcess m_vistrel{m_session};
    std::optional<TrayHost> m_tray;
};

// Counts the top-level windows that get mapped while it watches.
class MapWatcher {
public:
    explicit MapWatcher(const QString& displayName);
    ~MapWatcher();
    int mappedSoFar();

private:
    xcb_connection_t* m_connection;
    int m_mapped = 0;
};

} // namespace vistrel::test
