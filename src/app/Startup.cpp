#include "app/Startup.h"

#include "app/HotkeyWiring.h"
#include "app/ProductInfo.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "app/TfrmMain.h"
#include "app/VistrelApplication.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <exception>

namespace vistrel {

namespace {

const char* const Usage =
    "Usage: vistrel [TOKEN]...\n"
    "Without tokens the program starts normally. A capture kind and an action\n"
    "capture at once and end the program (exit status 0 on success, 1 when the\n"
    "capture was aborted or the action failed).\n"
    "\n"
    "  /C1 /C2 /C3   full screen, active window, window or control (/C asks)\n"
    "  /A1 ... /A9   save as BMP, JPEG, PNG, GIF; continuous save; clipboard;\n"
    "                print; mail; show the picture (/A asks)\n"
    "  /A5;DIR;TYPE;PREFIX;SUFFIX   continuous save into DIR with these settings\n"
    "  /W /W1 /W2    window at the screen centre or under the pointer (with /C3)\n"
    "  /L /M /R      client area, draw the pointer, trim the margins\n"
    "  /TN           count down N seconds first\n"
    "  /U            keep running afterwards with the picture shown\n"
    "\n"
    "Tokens may also be joined with commas: vistrel /C1,/A5\n"
    "  --help        show this text\n"
    "  --version     show the version\n";

// --help and --version answer without a display; the capture grammar ignores them.
std::optional<int> answerInformationRequest(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", ProductName, ProductVersion);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int runVistrel(int argc, char** argv)
{
    if (const std::optional<int> answered = answerInformationRequest(argc, argv))
        return *answered;
    VistrelApplication app(argc, argv);
    const SingleInstance instance;
    if (!instance.acquired()) {
        MessageBox::information(QStringLiteral("「Vistrel」は既に起動しています。"));
        return 0;
    }

    std::unique_ptr<Platform> platform;
    try {
        platform = loadPlatform();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistrel: %s\n", error.what());
        return 1;
    }

    QApplication::setQuitOnLastWindowClosed(false); // the tray keeps the program running
    TfrmMain mainWindow(*platform);
    if (const std::optional<int> exitCode = mainWindow.hotkeys().StartupCapture())
        return *exitCode; // a command-line capture that ends the program
    mainWindow.showTrayIcon();
    mainWindow.hotkeys().RegisterAllHotkeys();
    mainWindow.hotkeys().FillTrayHotkeyMenu();
    SignalWatcher terminationSignals;
    QObject::connect(&terminationSignals, &SignalWatcher::terminationRequested, &mainWindow,
                     [&mainWindow] { QApplication::exit(mainWindow.endSession()); });
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
    if (mainWindow.startsVisible())
        mainWindow.show();
    return app.exec();
}

} // namespace vistrel
