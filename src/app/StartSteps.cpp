#include "app/StartSteps.h"

#include "app/CommandLine.h"
#include "app/CommandLineRun.h"
#include "app/ProductInfo.h"
#include "app/SingleInstance.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace vistrel {

namespace {

// How long a later start waits for the running program to take its request.
constexpr std::chrono::seconds AnswerTime{5};

const char* const AlreadyRunningText = "「Vistrel」は既に起動しています。";
const char* const BusyText = "「Vistrel」は起動していますが、ほかの処理中のため要求を受け付けられ"
                             "ませんでした。しばらくしてからやり直してください。";

// A start while the program runs: the running one does the work and gives the result.
int handOver(const QString& requestFolder, const HandedRequest& request)
{
    bool listening = false;
    if (const std::optional<RequestResult> result = HandToRunningInstance(
            RequestSocketPath(requestFolder), request, AnswerTime, &listening)) {
        ReportOnStandardError(result->reason);
        return result->exitCode;
    }
    // No answer: a script is told on its own channel, a user in a box. A copy that listens
    // but did not answer in time is busy, not merely running.
    const QString reason = QString::fromUtf8(listening ? BusyText : AlreadyRunningText);
    if (ParseCommandLine(request.arguments, request.workingDir).hasCapture()) {
        ReportOnStandardError(reason);
        return 1;
    }
    MessageBox::information(reason);
    return 0;
}

[[noreturn]] void exitWithoutTeardown(int status)
{
    // Picture and settings are committed to disk: the kernel reclaims the rest faster
    // than Qt's and the libraries' teardown would.
    std::fflush(nullptr);
    std::_Exit(status);
}

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

// Tokens the program does not know end the start at once, before anything is grabbed or
// opened: a script gets status 2 with the reason and the usage rather than a full program
// that waits for a user.
std::optional<int> refuseUnknownTokens(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString problem = ParseCommandLine(arguments, QDir::currentPath()).problem;
    if (problem.isEmpty())
        return std::nullopt;
    std::fputs(RefusedCommandLineText(problem).toLocal8Bit().constData(), stderr);
    return 2;
}

} // namespace

std::optional<int> RefuseWithoutDisplay(int argc, char** argv)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return std::nullopt;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "-display") == 0)
            return std::nullopt; // Qt's own choice
    if (!LoadedPlatform(loadPlatformWithoutGui))
        return 1;
    return std::nullopt;
}

namespace {

// A capture that ends the program and shows nothing: it runs without Qt's window system
// (whose start costs more than the grab), on a connection to the X server of its own.
bool runsWithoutWindows(int argc, char** argv)
{
    // Qt's own options (-display, -platform, ...) take the full start.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            return false;
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return CommandLineRun::handles(ParseCommandLine(arguments, QDir::currentPath()).request);
}

// Such a run from start to exit; never returns once the capture has run.
int runWithoutWindows(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vistrel"));
    const HandedRequest started{QCoreApplication::arguments().mid(1), QDir::currentPath()};
    const SingleInstance instance;
    if (const std::optional<int> handed = HandOverIfRunning(instance, started))
        return *handed;
    const std::unique_ptr<Platform> platform = LoadedPlatform(loadPlatformWithoutGui);
    if (!platform)
        return 1;
    const CommandLine line = ParseCommandLine(started.arguments, started.workingDir);
    exitWithoutTeardown(CommandLineRun(*platform).run(line.request));
}

} // namespace

std::optional<int> HandOverIfRunning(const SingleInstance& instance, const HandedRequest& started)
{
    if (!instance.problem().isEmpty())
        std::fprintf(stderr, "vistrel: %s\n", qPrintable(instance.problem()));
    if (!instance.acquired())
        return handOver(instance.requestFolder(), started);
    return std::nullopt;
}

std::unique_ptr<Platform> LoadedPlatform(std::unique_ptr<Platform> (*load)())
{
    try {
        return load();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistrel: %s\n", error.what());
        return nullptr;
    }
}

std::optional<int> RunLeanStart(int argc, char** argv)
{
    if (const std::optional<int> answered = answerInformationRequest(argc, argv))
        return *answered;
    if (const std::optional<int> refused = refuseUnknownTokens(argc, argv))
        return *refused;
    // A file size limit makes writes fail with EFBIG, which every writer reports, instead
    // of killing the program with its pictures unsaved. Kept across exec.
    std::signal(SIGXFSZ, SIG_IGN);
    if (runsWithoutWindows(argc, argv))
        return runWithoutWindows(argc, argv);
    return std::nullopt;
}

} // namespace vistrel
