#include "platform/FileWriting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

[[noreturn]] void fail(const QString& format, const QString& path, int error)
{
    QString text = format.arg(path);
    if (error != 0)
        text += u'\n' + systemErrorText(error);
    throw std::runtime_error(text.toStdString());
}

[[noreturn]] void failWrite(const QString& path, int error)
{
    fail(QStringLiteral("%1 に書き込めません"), path, error);
}

[[noreturn]] void failRead(const QString& path, const QString& reason)
{
    throw std::runtime_error(
        (QStringLiteral("%1 を読み込めません").arg(path) + u'\n' + reason).toStdString());
}

} // namespace

bool writeAllToDescriptor(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        done += written;
    }
    return true;
}

namespace {

constexpr char PartialPrefix[] = ".vistrel-";
constexpr char PartialSuffix[] = ".part";
constexpr int StaleSeconds = 60;

} // namespace

bool isPartialFileName(const QString& name)
{
    const QLatin1StringView prefix(PartialPrefix);
    const QLatin1StringView suffix(PartialSuffix);
    if (!name.startsWith(prefix) || !name.endsWith(suffix))
        return false;
    const QStringView middle =
        QStringView(name).mid(prefix.size(), name.size() - prefix.size() - suffix.size());
    return middle.size() >= 6 && middle.size() <= 16 &&
           std::all_of(middle.begin(), middle.end(),
                       [](QChar c) { return c.unicode() < 0x80 && (c.isLetterOrNumber()); });
}

QString newPartialFilePath(const QString& folder)
{
    return QDir(folder).filePath(
        QLatin1String(PartialPrefix) +
        QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0') +
        QLatin1String(PartialSuffix));
}

int removeStalePartialFiles(const QString& folder)
{
    static QMutex lock;
    static QSet<QString> swept;
    const QString key = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    {
        const QMutexLocker locked(&lock);
        if (swept.contains(key))
            return 0;
        swept.insert(key);
    }
    const QByteArray base = QFile::encodeName(key);
    DIR* dir = ::opendir(base.constData());
    if (dir == nullptr)
        return 0;
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, PartialPrefix, sizeof PartialPrefix - 1) != 0 ||
            !isPartialFileName(QFile::decodeName(entry->d_name)))
            continue;
        struct stat info = {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != ::getuid() ||
            now - info.st_mtime < StaleSeconds)
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

QString systemErrorText(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空き容量が足りません。");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎます。");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが拒否されました。");
    case EROFS:
        return QStringLiteral("読み取り専用のファイルシステムです。");
    case ENOENT:
        return QStringLiteral("ファイルまたはフォルダが見つかりません。");
    case ENOTDIR:
        return QStringLiteral("パスの途中にフォルダでないものがあります。");
    case EISDIR:
        return QStringLiteral("フォルダです。");
    case EIO:
        return QStringLiteral("入出力エラーが発生しました。");
    case ENOMEM:
        return QStringLiteral("メモリが足りません。");
    case ENAMETOOLONG:
        return QStringLiteral("名前が長すぎます。");
    case EEXIST:
        return QStringLiteral("同じ名前のファイルが既にあります。");
    case EXDEV:
        return QStringLiteral("別のファイルシステムへは移動できません。");
    case ELOOP:
        return QStringLiteral("シンボリックリンクが多すぎるか、循環しています。");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("開いているファイルが多すぎます。");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("ファイルまたはフォルダが使用中です。");
    case EINVAL:
        return QStringLiteral("無効な引数です。");
    case ENOTEMPTY:
        return QStringLiteral("フォルダが空ではありません。");
    default:
        // No text of our own: the number at least lets the cause be looked up.
        return QStringLiteral("システムエラーが発生しました（エラー番号 %1）。").arg(error);
    }
}

void writeFileAtomically(const QString& path, const QByteArray& bytes, bool durable)
{
    const QFileInfo info(path);
    const QByteArray target =
        QFile::encodeName(info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath());
    struct stat old = {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        failWrite(path, EISDIR);
    if (exists && ::access(target.constData(), W_OK) != 0)
        failWrite(path, errno);
    // The partial file's one recognisable name, so that a later run can sweep it up
    // after a kill.
    QByteArray temporary = QFile::encodeName(QFileInfo(QFile::decodeName(target)).path()) + '/' +
                           PartialPrefix + "XXXXXX" + PartialSuffix;
    const int fd = ::mkostemps(temporary.data(), int(sizeof PartialSuffix - 1), O_CLOEXEC);
    if (fd < 0)
        failWrite(path, errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~mask);
    int error = 0;
    if (::fchmod(fd, mode) != 0 || !writeAllToDescriptor(fd, bytes) ||
        ((exists || durable) && ::fsync(fd) != 0))
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        failWrite(path, error);
    }
}

bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, bool& missing)
{
    missing = false;
    bytes.clear();
    // Non-blocking, so that a FIFO under the name cannot hang the caller.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            missing = true;
            return false;
        }
        failRead(path, systemErrorText(errno));
    }
    struct stat info = {};
    QString problem;
    if (::fstat(fd, &info) != 0)
        problem = systemErrorText(errno);
    else if (!S_ISREG(info.st_mode))
        problem = QStringLiteral("通常のファイルではありません。");
    else if (info.st_size > maxBytes)
        problem = systemErrorText(EFBIG);
    if (problem.isEmpty()) {
        bytes.resize(static_cast<qsizetype>(info.st_size));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t got =
                ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                problem = systemErrorText(errno);
                break;
            }
            if (got == 0)
                break; // the file shrank meanwhile
            done += got;
        }
        bytes.truncate(done);
    }
    ::close(fd);
    if (!problem.isEmpty())
        failRead(path, problem);
    return true;
}

} // namespace vistrel
