#include "app/Startup.h"

#include "app/HotkeyWiring.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "app/TfrmMain.h"
#include "app/VistrelApplication.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QSessionManager>

#include <cstdio>
#include <exception>

namespace vistrel {

int runVistrel(int argc, char** argv)
{
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
    mainWindow.hotkeys().RegisterAllHotkeys();
    SignalWatcher terminationSignals;
    QObject::connect(&terminationSignals, &SignalWatcher::terminationRequested, &mainWindow,
                     [&mainWindow] { mainWindow.endSession(); });
    // The session manager's save request before log-off ends the run like a signal does.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &mainWindow,
                     [&mainWindow](QSessionManager&) { mainWindow.endSession(); });
    if (mainWindow.startsVisible())
        mainWindow.show();
    return app.exec();
}

} // namespace vistrel
