#include "app/SingleInstance.h"

#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vistrel {

QString SingleInstance::runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime))
        return runtime;
    // Without a runtime folder: the user's own cache, never a shared /tmp name.
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    const QString folder = cache + QStringLiteral("/vistrel");
    if (!QFileInfo::exists(folder) && QDir().mkpath(cache))
        MakePrivateFolder(folder);
    return IsPrivateFolder(folder) ? folder : QString();
}

SingleInstance::SingleInstance(const QString& name)
{
    const QString folder = runtimeFolder();
    if (folder.isEmpty()) {
        // Starting unguarded beats not starting at all: the user is told why.
        m_problem = QStringLiteral("ロックファイルを置く安全なフォルダがありません。"
                                   "二重起動の確認をせずに起動します。");
        m_acquired = true;
        return;
    }
    const QByteArray path = QFile::encodeName(folder + u'/' + name);
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    m_acquired = m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace vistrel
