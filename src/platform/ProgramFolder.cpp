#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vistrel {

namespace {

bool holdsLauncher(const QString& folder)
{
    return QFileInfo(folder + QStringLiteral("/vistrel")).isExecutable();
}

} // namespace

QString ProgramFolder()
{
    const QString own = QCoreApplication::applicationDirPath();
    if (own.isEmpty() || holdsLauncher(own))
        return own;
    const QString launcherFolder =
        QDir::cleanPath(own + QStringLiteral("/" VISTREL_LAUNCHER_FROM_FULL_PROGRAM));
    return holdsLauncher(launcherFolder) ? launcherFolder : own;
}

bool IsPortableCopy()
{
    const QString programFolder = ProgramFolder();
    return !programFolder.isEmpty() && QFileInfo(programFolder).isWritable() &&
           QFileInfo(programFolder + QStringLiteral("/vistrel-app")).isExecutable();
}

QString DefaultDataFolder()
{
    const QString programFolder = ProgramFolder();
    if (IsPortableCopy())
        return programFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? programFolder : pictures;
}

} // namespace vistrel
