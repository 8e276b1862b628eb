#include "output/mail/ProgramRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace vistrel {

namespace {

pid_t spawn(const QString& program, const QStringList& arguments, const QString& inputFile)
{
    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray input = QFile::encodeName(inputFile.isEmpty() ? "/dev/null" : inputFile);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.constData(), O_RDONLY, 0);
    // A mail program may outlive us: it must not hold our lock file or X connection.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // Nor inherit a blocked or ignored signal of ours.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

// Collects the exit of a program that outlived the wait, so it leaves no zombie behind.
void reapLater(pid_t pid)
{
    if (QCoreApplication::instance() == nullptr)
        return;
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, pid] {
        if (::waitpid(pid, nullptr, WNOHANG) != 0)
            timer->deleteLater();
    });
    timer->start(1000);
}

} // namespace

ProgramOutcome RunProgram(const QString& program, const QStringList& arguments,
                          const QString& inputFile, std::chrono::milliseconds patience,
                          bool stopWhenLate)
{
    ProgramOutcome outcome;
    const pid_t pid = spawn(program, arguments, inputFile);
    if (pid <= 0)
        return outcome;
    outcome.started = true;

    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            if (WIFEXITED(status))
                outcome.exitStatus = WEXITSTATUS(status);
            return outcome;
        }
        if (clock.elapsed() >= patience.count())
            break;
        // Paint and take timers meanwhile, but no clicks that would start another command.
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (stopWhenLate) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        return outcome;
    }
    outcome.stillRunning = true;
    reapLater(pid);
    return outcome;
}

} // namespace vistrel
