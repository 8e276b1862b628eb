#include "app/Startup.h"

#include "app/SignalWatcher.h"
#include "app/TfrmMain.h"
#include "app/VistrelApplication.h"
#include "platform/Platform.h"

#include <cstdio>
#include <exception>

namespace vistrel {

int runVistrel(int argc, char** argv)
{
    VistrelApplication app(argc, argv);
    std::unique_ptr<Platform> platform;
    try {
        platform = loadPlatform();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistrel: %s\n", error.what());
        return 1;
    }

    TfrmMain mainWindow(*platform);
    SignalWatcher terminationSignals;
    QObject::connect(&terminationSignals, &SignalWatcher::terminationRequested, &mainWindow,
                     [&mainWindow] { mainWindow.endSession(); });
    mainWindow.show();
    return app.exec();
}

} // namespace vistrel
