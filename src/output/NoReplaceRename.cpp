#include "output/NoReplaceRename.h"

#include "platform/FileWriting.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace vistrel {

namespace {

[[noreturn]] void fail(const QString& to, int error)
{
    throw std::runtime_error(
        QStringLiteral("%1 に書き込めません\n%2").arg(to, systemErrorText(error)).toStdString());
}

bool unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP ||
           error == EPERM;
}

// For file systems without hard links (FAT): claim the name exclusively, then rename the
// finished file over the empty claim, which no other writer can have taken.
NoReplaceRename::Result moveOverClaim(const QByteArray& from, const QByteArray& to,
                                      const QString& target)
{
    const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST)
            return NoReplaceRename::Result::TargetExists;
        fail(target, errno);
    }
    ::close(fd);
    if (::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        ::unlink(to.constData());
        fail(target, error);
    }
    return NoReplaceRename::Result::Moved;
}

} // namespace

NoReplaceRename::Result NoReplaceRename::move(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return Result::Moved;
    if (errno == EEXIST)
        return Result::TargetExists;
    if (!unsupported(errno))
        fail(to, errno);
    // The file system cannot rename without replacing: a hard link fails on an existing name.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return Result::Moved;
    }
    if (errno == EEXIST)
        return Result::TargetExists;
    if (!unsupported(errno))
        fail(to, errno);
    return moveOverClaim(source, target, to);
}

} // namespace vistrel
