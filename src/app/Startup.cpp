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

// The exit status when another copy runs and so takes the request.
std::optional<int> handOverIfRunning(const SingleInstance& instance, const HandedRequest& started)
{
    if (!instance.problem().isEmpty())
        std::fprintf(stderr, "vistrel: %s\n", qPrintable(instance.problem()));
    if (!instance.acquired())
        return handOver(started);
    return std::nullopt;
}

// The platform, or null once the reason it cannot be had is on standard error.
std::unique_ptr<Platform> loadedPlatform(std::unique_ptr<Platform> (*load)())
{
    try {
        return load();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistrel: %s\n", error.what());
        return nullptr;
    }
}

// A capture that ends the program and shows nothing: it runs without Qt's window system
// (whose start costs more than the grab), on a connection to the X server of its own.
// Qt's own options (-display, -platform, ...) take the full start.
bool runsWithoutWindows(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            return false;
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return CommandLineRun::handles(ParseCommandLine(arguments, QDir::currentPath()).request);
}

[[noreturn]] void exitWithoutTeardown(int status)
{
    // Picture and settings are committed to disk: the kernel reclaims the rest faster
    // than Qt's and the libraries' teardown would.
    std::fflush(nullptr);
    std::_Exit(status);
}

int runWithoutWindows(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vistrel"));
    const HandedRequest started{QCoreApplication::arguments().mid(1), QDir::currentPath()};
    const SingleInstance instance;
    if (const std::optional<int> handed = handOverIfRunning(instance, started))
        return *handed;
    const std::unique_ptr<Platform> platform = loadedPlatform(loadPlatformWithoutGui);
    if (!platform)
        return 1;
    const CommandLine line = ParseCommandLine(started.arguments, started.workingDir);
    exitWithoutTeardown(CommandLineRun(*platform).run(line.request));
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
    if (runsWithoutWindows(argc, argv))
        return runWithoutWindows(argc, argv);

    VistrelApplication app(argc, argv);
    const HandedRequest started{QCoreApplication::arguments().mid(1), QDir::currentPath()};
    const SingleInstance instance;
    if (const std::optional<int> handed = handOverIfRunning(instance, started))
        return *handed;
    const std::unique_ptr<Platform> platform = loadedPlatform(loadPlatform);
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
