#include "platform/PosixSession.h"

#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>

#include <pwd.h>
#include <stdexcept>
#include <stdlib.h>
#include <unistd.h>

namespace vistrel {

namespace {

// "vistrel-<pid>-XXXXXX": the process id lets a later run tell a folder whose
// owner is gone (killed, crashed) from one still in use.
const QRegularExpression TempFolderName(QStringLiteral("^vistrel-(\\d+)-[A-Za-z0-9]{6}$"));

bool processIsGone(pid_t pid)
{
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the temporary folders, screenshots and all, that earlier runs of
// this user left behind when they could not clean up.
void removeAbandonedTempFolders(const QString& base)
{
    const QFileInfoList entries =
        QDir(base).entryInfoList({QStringLiteral("vistrel-*")}, QDir::Dirs | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch match = TempFolderName.match(entry.fileName());
        struct stat info = {};
        if (!match.hasMatch() ||
            ::lstat(QFile::encodeName(entry.filePath()).constData(), &info) != 0 ||
            info.st_uid != ::getuid())
            continue;
        if (processIsGone(static_cast<pid_t>(match.captured(1).toLongLong())))
            QDir(entry.filePath()).removeRecursively();
    }
}

} // namespace

QString PosixSession::tempBase()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isWritable())
        base = QDir::tempPath();
    return base;
}

PosixSession::PosixSession()
{
    removeAbandonedTempFolders(tempBase());
}

PosixSession::~PosixSession()
{
    // Every picture goes with the run: tabs beyond the current count, scroll
    // frames and anything else the run left in its private folder.
    if (!m_tempFolder.isEmpty())
        QDir(m_tempFolder).removeRecursively();
}

QString PosixSession::settingsFolder()
{
    const QString overridden = qEnvironmentVariable("VISTREL_CONFIG_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);

    if (IsPortableCopy())
        return ProgramFolder();

    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return configHome + QStringLiteral("/vistrel");
}

QString PosixSession::privateTempFolder()
{
    if (!m_tempFolder.isEmpty() && QFileInfo(m_tempFolder).isDir())
        return m_tempFolder;

    const QString base = tempBase();
    // mkdtemp makes the folder with mode 0700 under an unpredictable name.
    QByteArray pattern =
        QFile::encodeName(base + QStringLiteral("/vistrel-%1-XXXXXX").arg(::getpid()));
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error(
            QStringLiteral("一時フォルダを作成できません: %1").arg(base).toStdString());
    m_tempFolder = QFile::decodeName(pattern);
    return m_tempFolder;
}

QString PosixSession::loginName()
{
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

QString PosixSession::hostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

} // namespace vistrel
