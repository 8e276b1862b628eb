#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/CommandLineRun.h"
#include "app/HotkeyWiring.h"
#include "app/InstanceChannel.h"
#include "app/InstanceWiring.h"
#include "app/ProductInfo.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "app/TfrmMain.h"
#include "app/VistrelApplication.h"
#include "output/clipboard/ClipboardKeeper.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QDir>
#include <QSessionManager>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace vistrel {

namespace {

// How long a later start waits for the running program to take its request.
constexpr std::chrono::seconds AnswerTime{5};

constexpr int PreviewAction = 9;

const char* const AlreadyRunningText = "「Vistrel」は既に起動しています。";

// --help and --version answer without a display; the capture grammar ignores them.
std::optional<int> answerInformationRequest(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(UsageText().toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", ProductName, ProductVersion);
            return 0;
        }
    }
    return std::nullopt;
}

// A start while the program runs: the running one does the work and gives the result.
int handOver(const HandedRequest& request)
{
    if (const std::optional<RequestResult> result =
            HandToRunningInstance(RequestSocketPath(), request, AnswerTime)) {
        ReportOnStandardError(result->reason);
        return result->exitCode;
    }
    // No answer: a script is told on its own channel, a user in a box.
    if (ParseCommandLine(request.arguments, request.workingDir).hasCapture()) {
        ReportOnStandardError(QString::fromUtf8(AlreadyRunningText));
        return 1;
    }
    MessageBox::information(QString::fromUtf8(AlreadyRunningText));
    return 0;
}

// A picture copied in this run stays on the clipboard after the program has ended.
bool keepClipboard()
{
    QString reason;
    if (ClipboardKeeper::keepAfterExit(&reason) != ClipboardKeeper::Result::Failed)
        return true;
    ReportOnStandardError(QStringLiteral("the picture could not stay on the clipboard: ") + reason);
    return false;
}

} // namespace

int runVistrel(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], ClipboardKeeper::KeeperArgument) == 0)
        return ClipboardKeeper::runKeeper();
    if (const std::optional<int> answered = answerInformationRequest(argc, argv))
        return *answered;
    // A file size limit makes writes fail with EFBIG, which every writer
    // reports, instead of killing the program with its pictures unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    VistrelApplication app(argc, argv);
    const HandedRequest started{QCoreApplication::arguments().mid(1), QDir::currentPath()};
    const SingleInstance instance;
    if (!instance.problem().isEmpty())
        std::fprintf(stderr, "vistrel: %s\n", qPrintable(instance.problem()));
    if (!instance.acquired())
        return handOver(started);

    std::unique_ptr<Platform> platform;
    try {
        platform = loadPlatform();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistrel: %s\n", error.what());
        return 1;
    }

    const CommandLine line = ParseCommandLine(started.arguments, started.workingDir);
    if (CommandLineRun::handles(line.request)) {
        const int status = CommandLineRun(*platform).run(line.request);
        // Picture and settings are committed to disk: the kernel reclaims the rest faster
        // than Qt's and the libraries' teardown would.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    QApplication::setQuitOnLastWindowClosed(false); // the tray keeps the program running
    TfrmMain mainWindow(*platform);
    const QString settingsProblem = mainWindow.settingsLoadProblem();
    if (!settingsProblem.isEmpty())
        std::fprintf(stderr, "vistrel: %s\n", qPrintable(settingsProblem));
    if (const std::optional<int> exitCode = mainWindow.hotkeys().StartupCapture(line.request)) {
        // A command-line capture that ends the program; a copy counts only once it is kept.
        const bool kept = keepClipboard();
        return kept ? *exitCode : 1;
    }
    mainWindow.showTrayIcon();
    mainWindow.hotkeys().RegisterAllHotkeys();
    mainWindow.hotkeys().FillTrayHotkeyMenu();
    InstanceWiring laterStarts(mainWindow);
    if (!laterStarts.listen())
        std::fprintf(stderr, "vistrel: later starts cannot reach this one (%s)\n",
                     qUtf8Printable(RequestSocketPath()));
    SignalWatcher terminationSignals;
    QObject::connect(&terminationSignals, &SignalWatcher::terminationRequested, &mainWindow,
                     [&mainWindow] { mainWindow.endSessionAndExit(); });
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
    if (!settingsProblem.isEmpty())
        QTimer::singleShot(0, &mainWindow, [&mainWindow, settingsProblem] {
            MessageBox::error(settingsProblem, &mainWindow);
        });
    const int exitCode = app.exec();
    keepClipboard();
    return exitCode;
}

} // namespace vistrel
