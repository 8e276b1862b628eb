#include "app/Startup.h"

#include "app/BrowserWiring.h"
#include "app/CommandLine.h"
#include "app/HotkeyWiring.h"
#include "app/InstanceWiring.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "app/StartSteps.h"
#include "app/TfrmMain.h"
#include "app/VistrelApplication.h"
#include "output/clipboard/ClipboardKeeper.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QDir>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace vistrel {

namespace {

constexpr int PreviewAction = 9;

// A picture copied in this run stays on the clipboard after the program has ended.
bool keepClipboard(bool windowLess)
{
    QString reason;
    if (ClipboardKeeper::keepAfterExit(&reason, windowLess) != ClipboardKeeper::Result::Failed)
        return true;
    ReportOnStandardError(QStringLiteral("画像をクリップボードに残せませんでした: ") + reason);
    return false;
}

// Where a Wayland desktop lets nothing hold the clipboard after exit (GNOME has no
// data-control), the copy ends with the program: the user is told, and the program keeps
// serving it until the box is answered, so it can still be pasted. A session that is ending
// is not held up.
void keepClipboardAtWindowExit(bool sessionEnding)
{
    if (keepClipboard(false) || sessionEnding ||
        !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    MessageBox::information(
        QStringLiteral("このデスクトップでは、プログラムの終了後にコピーした画像をクリップボードに"
                       "残せません。画像はこの画面を閉じると失われます。\n"
                       "必要なら、先にほかのプログラムへ貼り付けてから OK を押してください。"));
}

// Saves the settings and removes the tab pictures, as a normal exit does, when the
// connection to the display breaks; unhooked before the window goes.
class DisplayLossSave {
public:
    DisplayLossSave(Platform& platform, TfrmMain& mainWindow) : m_platform(platform)
    {
        m_platform.displayLost = [&mainWindow] {
            try {
                mainWindow.SaveSettings();
                mainWindow.keepEditedTabs();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "vistrel: %s\n", error.what());
            }
            mainWindow.removeRunFiles();
        };
    }
    ~DisplayLossSave() { m_platform.displayLost = nullptr; }
    DisplayLossSave(const DisplayLossSave&) = delete;
    DisplayLossSave& operator=(const DisplayLossSave&) = delete;

private:
    Platform& m_platform;
};

} // namespace

int runVistrel(int argc, char** argv)
{
    if (argc == 2 && ClipboardKeeper::isKeeperArgument(argv[1]))
        return ClipboardKeeper::runKeeper(argv[1]);
    if (const std::optional<int> ended = RunLeanStart(argc, argv))
        return *ended;
    if (const std::optional<int> refused = RefuseWithoutDisplay(argc, argv))
        return *refused;

    VistrelApplication app(argc, argv);
    const HandedRequest started{QCoreApplication::arguments().mid(1), QDir::currentPath()};
    const SingleInstance instance;
    if (const std::optional<int> handed = HandOverIfRunning(instance, started))
        return *handed;
    const std::unique_ptr<Platform> platform = LoadedPlatform(loadPlatform);
    if (!platform)
        return 1;

    const CommandLine line = ParseCommandLine(started.arguments, started.workingDir);
    QApplication::setQuitOnLastWindowClosed(false); // the tray keeps the program running
    TfrmMain mainWindow(*platform);
    const QString settingsProblem = mainWindow.settingsLoadProblem();
    if (!settingsProblem.isEmpty())
        std::fprintf(stderr, "vistrel: %s\n", qPrintable(settingsProblem));
    if (const std::optional<int> exitCode = mainWindow.hotkeys().StartupCapture(line.request)) {
        // A command-line capture that ends the program; a copy counts only once it is kept.
        const bool kept = keepClipboard(true);
        return kept ? *exitCode : 1;
    }
    mainWindow.showTrayIcon();
    mainWindow.hotkeys().RegisterAllHotkeys();
    mainWindow.hotkeys().FillTrayHotkeyMenu();
    InstanceWiring laterStarts(mainWindow);
    if (!laterStarts.listen())
        ReportOnStandardError(RequestChannelProblem());
    // Qt ends the program at once when the display goes away: keep what the session changed.
    const DisplayLossSave displayLossSave(*platform, mainWindow);
    SignalWatcher terminationSignals;
    bool sessionEnding = false;
    mainWindow.captureEngine().endRequested = &SignalWatcher::signalArrived;
    QObject::connect(&terminationSignals, &SignalWatcher::terminationRequested, &mainWindow,
                     [&mainWindow, &sessionEnding] {
                         sessionEnding = true;
                         mainWindow.endSessionAndExit();
                     });
    // The session manager asks for a save at log-off and at every checkpoint
    // ("save session"): only the settings are written; the session's real end
    // arrives as a quit request (see TfrmMain::eventFilter).
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &mainWindow, [&mainWindow](QSessionManager&) {
            // Called from the session library's C code: nothing may unwind
            // through it, so a failed save is reported once the callback is over.
            try {
                mainWindow.commitSessionData();
            } catch (const std::exception& error) {
                const QString message = QString::fromUtf8(error.what());
                QTimer::singleShot(0, &mainWindow,
                                   [message] { VistrelApplication::showError(message); });
            }
        });
    // A picture to look at, or a capture to show, shows the window even at an icon-only start.
    if (!line.pictures.isEmpty())
        laterStarts.openPictures(line.pictures);
    else if (mainWindow.startsVisible() || line.request.AfterAction == PreviewAction)
        mainWindow.show();
    mainWindow.browser().windowRunStarted();
    // Edits kept when the last session ended are offered back once the window is up.
    QTimer::singleShot(0, &mainWindow, [&mainWindow] { mainWindow.offerKeptEdits(); });
    if (!settingsProblem.isEmpty())
        QTimer::singleShot(0, &mainWindow, [&mainWindow, settingsProblem] {
            MessageBox::error(settingsProblem, &mainWindow);
        });
    const int exitCode = app.exec();
    keepClipboardAtWindowExit(sessionEnding);
    return exitCode;
}

} // namespace vistrel
