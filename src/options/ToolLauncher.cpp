#include "options/ToolLauncher.h"

#include "output/PictureFile.h"
#include "output/PictureSaveOptions.h"
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
