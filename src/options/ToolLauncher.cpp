#include "options/ToolLauncher.h"

#include "output/PictureFile.h"
#include "output/PictureSaveOptions.h"

#include <QCoreApplication>
#include <QDir>
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

namespace {

// Collects the exit of a started program, so it leaves no zombie behind.
void reapWhenDone(pid_t pid)
{
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, pid] {
        if (::waitpid(pid, nullptr, WNOHANG) != 0)
            timer->deleteLater();
    });
    timer->start(1000);
}

} // namespace

bool StartDetachedProgram(const QString& program, const QStringList& arguments)
{
    if (program.isEmpty())
        return false;
    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // The tool may outlive us: it must not hold our single-instance lock or X connection.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGHUP);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int failed =
        posix_spawnp(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return false;
    if (QCoreApplication::instance() != nullptr)
        reapWhenDone(pid);
    return true;
}

bool RunTool(const ToolEntry& tool, const QImage& picture, const QString& folder,
             const ProgramStarter& start)
{
    const QString exchange = ExchangeFilePath(folder);
    if (!picture.isNull()) {
        QDir().mkpath(folder);
        savePictureFile(picture, SaveType24Bit, exchange);
    }
    return start(tool.file, ToolArguments(tool.command, exchange));
}

QString ToolStartFailedText(const QString& program)
{
    return QStringLiteral("アプリケーション「%1」を起動できませんでした。")
        .arg(QDir::toNativeSeparators(program));
}

} // namespace vistrel
