#include "app/SingleInstance.h"

#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vistrel {

namespace {

constexpr qsizetype MaximumKeyLength = 48; // the socket's name must fit sun_path

// The runtime folder logind makes for the user, for a start whose environment lacks
// XDG_RUNTIME_DIR (cron, ssh, a hotkey daemon started early).
QString loginRuntimeFolder()
{
    return QStringLiteral("/run/user/%1").arg(::getuid());
}

// The places a start looks in, the preferred first; only the existing private ones.
QStringList lockFolders()
{
    QStringList folders;
    auto add = [&folders](const QString& folder) {
        if (!folder.isEmpty() && IsPrivateFolder(folder) &&
            !folders.contains(QFileInfo(folder).canonicalFilePath()))
            folders << QFileInfo(folder).canonicalFilePath();
    };
    add(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    add(loginRuntimeFolder());
    add(SingleInstance::cacheFolder());
    return folders;
}

QString sanitisedKey(const QString& text)
{
    QString key;
    for (const QChar c : text)
        key += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' || c == u'.' ? c : u'_';
    return key.left(MaximumKeyLength);
}

} // namespace

QString SingleInstance::cacheFolder()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/vistrel");
}

QString SingleInstance::runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime))
        return runtime;
    if (IsPrivateFolder(loginRuntimeFolder()))
        return loginRuntimeFolder();
    // Without a runtime folder: the user's own cache, never a shared /tmp name.
    const QString folder = cacheFolder();
    if (!QFileInfo::exists(folder) && QDir().mkpath(QFileInfo(folder).path()))
        MakePrivateFolder(folder);
    return IsPrivateFolder(folder) ? folder : QString();
}

QString SingleInstance::displayKey()
{
    // The program talks to the X display; a Wayland socket counts only without one.
    const QString x11 = qEnvironmentVariable("DISPLAY");
    if (x11.isEmpty()) {
        const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
        return wayland.isEmpty() ? QStringLiteral("none")
                                 : QStringLiteral("wayland-") + sanitisedKey(wayland);
    }
    // "host:display.screen": the screen is part of the same display.
    const qsizetype colon = x11.lastIndexOf(u':');
    QString host = colon >= 0 ? x11.left(colon) : QString();
    QString number = colon >= 0 ? x11.mid(colon + 1) : x11;
    if (const qsizetype dot = number.indexOf(u'.'); dot >= 0)
        number.truncate(dot);
    if (host == QLatin1String("unix"))
        host.clear();
    return QStringLiteral("x11-") + sanitisedKey(host.isEmpty() ? number : host + u'-' + number);
}

QString SingleInstance::LockName()
{
    return QStringLiteral("VistrelPassWord-") + displayKey();
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
    m_requestFolder = folder;
    if (!lockIn(folder, name)) {
        m_requestFolder = namedFolder(folder + u'/' + name, folder);
        return;
    }
    // A copy started with another environment holds the lock in another place, and finds
    // this one in the cache folder that such a start falls back to.
    if (!QFileInfo::exists(cacheFolder()) && QDir().mkpath(QFileInfo(cacheFolder()).path()))
        MakePrivateFolder(cacheFolder());
    for (const QString& other : lockFolders()) {
        if (other == QFileInfo(folder).canonicalFilePath())
            continue;
        if (!lockIn(other, name)) {
            m_requestFolder = namedFolder(other + u'/' + name, other);
            for (const int fd : m_fds)
                ::close(fd);
            m_fds.clear();
            return;
        }
    }
    m_acquired = true;
    nameRequestFolder();
}

SingleInstance::~SingleInstance()
{
    for (const int fd : m_fds)
        ::close(fd);
}

bool SingleInstance::lockIn(const QString& folder, const QString& name)
{
    const QByteArray path = QFile::encodeName(folder + u'/' + name);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fds.push_back(fd);
    return true;
}

QString SingleInstance::namedFolder(const QString& lockPath, const QString& fallback)
{
    QFile file(lockPath);
    if (!file.open(QIODevice::ReadOnly))
        return fallback;
    const QString named = QFile::decodeName(file.read(4096).trimmed());
    // Only a folder no other user controls may be trusted with the request.
    return !named.isEmpty() && IsPrivateFolder(named) ? named : fallback;
}

void SingleInstance::nameRequestFolder()
{
    const QByteArray folder = QFile::encodeName(m_requestFolder) + '\n';
    for (const int fd : m_fds) {
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, folder.constData(), size_t(folder.size()), 0) < 0)
            continue; // the folder named nowhere is still the preferred one a start looks in
    }
}

} // namespace vistrel
