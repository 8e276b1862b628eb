#include "platform/PosixSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <pwd.h>
#include <stdexcept>
#include <stdlib.h>
#include <unistd.h>

namespace vistrel {

PosixSession::~PosixSession()
{
    // Only an empty folder goes: pictures still inside belong to their owners.
    if (!m_tempFolder.isEmpty())
        QDir().rmdir(m_tempFolder);
}

QString PosixSession::settingsFolder()
{
    const QString overridden = qEnvironmentVariable("VISTREL_CONFIG_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);

    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (!exeFolder.isEmpty() && QFileInfo(exeFolder).isWritable())
        return exeFolder;

    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return configHome + QStringLiteral("/vistrel");
}

QString PosixSession::privateTempFolder()
{
    if (!m_tempFolder.isEmpty() && QFileInfo(m_tempFolder).isDir())
        return m_tempFolder;

    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isWritable())
        base = QDir::tempPath();
    // mkdtemp makes the folder with mode 0700 under an unpredictable name.
    QByteArray pattern = QFile::encodeName(base + QStringLiteral("/vistrel-XXXXXX"));
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
