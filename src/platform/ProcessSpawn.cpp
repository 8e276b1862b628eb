#include "platform/ProcessSpawn.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vistrel {

pid_t SpawnProgram(const QString& program, const QStringList& arguments,
                   const SpawnOptions& options, const QString& outputFile)
{
    if (program.isEmpty())
        return -1;
    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray input = QFile::encodeName(
        options.inputFile.isEmpty() ? QStringLiteral("/dev/null") : options.inputFile);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.constData(), O_RDONLY, 0);
    const QByteArray output = QFile::encodeName(outputFile);
    if (!output.isEmpty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int signalNumber : {SIGPIPE, SIGHUP, SIGTERM, SIGXFSZ})
        sigaddset(&defaults, signalNumber);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (options.newSession)
        flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attributes, flags);
    pid_t pid = -1;
    const int failed =
        options.searchPath
            ? posix_spawnp(&pid, argv.front(), &actions, &attributes, argv.data(), environ)
            : posix_spawn(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

void ReapWhenDone(pid_t pid)
{
    if (pid <= 0 || QCoreApplication::instance() == nullptr)
        return;
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, pid] {
        if (::waitpid(pid, nullptr, WNOHANG) != 0)
            timer->deleteLater();
    });
    timer->start(1000);
}

} // namespace vistrel
