#include "output/mail/ProgramRunner.h"

#include "platform/ProcessSpawn.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace vistrel {

ProgramOutcome RunProgram(const QString& program, const QStringList& arguments,
                          const QString& inputFile, std::chrono::milliseconds patience,
                          bool stopWhenLate, const QString& outputFile)
{
    ProgramOutcome outcome;
    const pid_t pid = SpawnProgram(program, arguments, {inputFile, false, false}, outputFile);
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
    ReapWhenDone(pid);
    return outcome;
}

} // namespace vistrel
