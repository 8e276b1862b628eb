#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

bool IsPrivateFolder(const QString& path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

bool MakePrivateFolder(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & 07777) == 0700 || ::chmod(native.constData(), 0700) == 0;
}

bool MakeFolderPathPrivately(const QString& path)
{
    const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder && !MakeFolderPathPrivately(parent))
        return false;
    // Another program may have made it meanwhile: that one is left alone too.
    return ::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 || QFileInfo(folder).isDir();
}

} // namespace vistrel
