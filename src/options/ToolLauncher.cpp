#include "options/ToolLauncher.h"

#include "output/PictureFile.h"
#include "output/PictureSaveOptions.h"
#include "platform/PrivateFolder.h"
#include "platform/ProcessSpawn.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vistrel {

bool StartDetachedProgram(const QString& program, const QStringList& arguments)
{
    // The tool may outlive us, in a session of its own.
    const pid_t pid = SpawnProgram(program, arguments, {QString(), true, true});
    ReapWhenDone(pid);
    return pid > 0;
}

namespace {

// The writer keeps the mode of a file it replaces: a fresh empty file of mode 0600 goes
// first, so that the picture is never readable by others, not even for a moment. A file
// left by an earlier run (perhaps more open) is removed, not reused.
void writeExchangePicture(const QImage& picture, const QString& folder, const QString& path)
{
    MakeFolderPathPrivately(folder);
    const QByteArray native = QFile::encodeName(path);
    ::unlink(native.constData());
    const int fd =
        ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    savePictureFile(picture, SaveType24Bit, path);
}

} // namespace

bool RunTool(const ToolEntry& tool, const QImage& picture, const QString& folder,
             const ProgramStarter& start)
{
    if (picture.isNull())
        return false;
    const QString exchange = ExchangeFilePath(folder);
    writeExchangePicture(picture, folder, exchange);
    return start(tool.file, ToolArguments(tool.command, exchange));
}

void DeleteExchangePicture(const QString& folder)
{
    QFile::remove(ExchangeFilePath(folder));
}

QString ToolStartFailedText(const QString& program)
{
    return QStringLiteral("アプリケーション「%1」を起動できませんでした。")
        .arg(QDir::toNativeSeparators(program));
}

} // namespace vistrel
