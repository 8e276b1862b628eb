#include "browser/TrashFiles.h"

#include "platform/FileWriting.h"
#include "platform/MessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

// Where one file goes: the trash folder and how its information file names the file.
struct TrashPlace {
    QByteArray folder;   // the trash folder, holding files/ and info/
    QByteArray infoPath; // the file's path as written into Path=
};

bool isOwnPrivateFolder(const QByteArray& path)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid();
}

// Makes `path` a folder of this user unless it is one already; a link is never followed.
bool ensurePrivateFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return isOwnPrivateFolder(path);
}

// The top folder of the filesystem that holds `folder` (its mount point).
QByteArray topFolderOf(QByteArray folder, dev_t device)
{
    while (folder != "/") {
        const QByteArray parent = QFile::encodeName(QFileInfo(QFile::decodeName(folder)).path());
        struct stat info = {};
        if (::stat(parent.constData(), &info) != 0 || info.st_dev != device)
            break;
        folder = parent;
    }
    return folder;
}

// $topdir/.Trash/$uid when an administrator made a sticky, unlinked .Trash; else
// $topdir/.Trash-$uid. Empty when neither can be used.
QByteArray volumeTrashFolder(const QByteArray& top)
{
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::getuid());
    const QByteArray shared = base + "/.Trash";
    struct stat info = {};
    if (::lstat(shared.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        (info.st_mode & S_ISVTX) != 0 && ensurePrivateFolder(shared + '/' + uid))
        return shared + '/' + uid;
    const QByteArray own = base + "/.Trash-" + uid;
    return ensurePrivateFolder(own) ? own : QByteArray();
}

// The trash for `path`, or an empty folder with `error` set.
TrashPlace trashPlaceFor(const QByteArray& path, int& error)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // A relative or empty data folder would put the trash in the working folder.
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome)) {
        error = ENOENT;
        return {};
    }
    QDir().mkpath(dataHome); // a new account may have no data folder yet
    struct stat file = {};
    struct stat home = {};
    if (::lstat(path.constData(), &file) != 0 ||
        ::stat(QFile::encodeName(dataHome).constData(), &home) != 0) {
        error = errno;
        return {};
    }
    if (file.st_dev == home.st_dev) {
        const QByteArray folder = QFile::encodeName(dataHome) + "/Trash";
        if (ensurePrivateFolder(folder))
            return {folder, path};
        error = EACCES;
        return {};
    }
    const QByteArray parent = QFile::encodeName(QFileInfo(QFile::decodeName(path)).path());
    const QByteArray top = topFolderOf(parent, file.st_dev);
    const QByteArray folder = volumeTrashFolder(top);
    if (folder.isEmpty()) {
        error = EACCES;
        return {};
    }
    // Paths in a volume's trash are relative to its top folder, so it survives a new mount point.
    return {folder, top == "/" ? path.mid(1) : path.mid(top.size() + 1)};
}

// The name the file takes in the trash: its own, or "name.2.ext", "name.3.ext" ...
QByteArray candidateName(const QByteArray& name, int attempt)
{
    if (attempt == 1)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray stem = dot > 0 ? name.left(dot) : name;
    const QByteArray extension = dot > 0 ? name.mid(dot) : QByteArray();
    return stem + '.' + QByteArray::number(attempt) + extension;
}

// Claims an information file with a name free in both info/ and files/; returns its
// descriptor and sets `name`, or -1 with errno set.
int claimInfoFile(const QByteArray& folder, const QByteArray& original, QByteArray& name)
{
    for (int attempt = 1; attempt < 10000; ++attempt) {
        name = candidateName(original, attempt);
        const QByteArray info = folder + "/info/" + name + ".trashinfo";
        const int fd =
            ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        struct stat taken = {};
        if (::lstat((folder + "/files/" + name).constData(), &taken) != 0)
            return fd;
        ::close(fd);
        ::unlink(info.constData());
    }
    errno = EEXIST;
    return -1;
}

// Moves one file; returns 0 or the cause.
int trashOne(const QString& path)
{
    const QByteArray absolute = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    int error = 0;
    const TrashPlace place = trashPlaceFor(absolute, error);
    if (place.folder.isEmpty())
        return error;
    if (!ensurePrivateFolder(place.folder + "/files") ||
        !ensurePrivateFolder(place.folder + "/info"))
        return errno != 0 ? errno : EACCES;
    QByteArray name;
    const int fd = claimInfoFile(place.folder, QFile::encodeName(QFileInfo(path).fileName()), name);
    if (fd < 0)
        return errno;
    const QByteArray info = place.folder + "/info/" + name + ".trashinfo";
    // The information must be on disk before the file moves, or a crash or a full disk
    // leaves a trashed file nobody can put back.
    if (!writeAllToDescriptor(fd, trashInfoText(place.infoPath, QDateTime::currentDateTime())) ||
        ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 &&
        ::rename(absolute.constData(), (place.folder + "/files/" + name).constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(info.constData());
    return error;
}

} // namespace

bool confirmMoveToTrash(const QStringList& paths, QWidget* parent)
{
    const QString question =
        paths.size() == 1
            ? QStringLiteral("'%1' をごみ箱に移動しますか?")
                  .arg(QFileInfo(paths.front()).fileName())
            : QStringLiteral("これらの %1 個のファイルをごみ箱に移動しますか?").arg(paths.size());
    MessageBox::trace(QStringLiteral("question"), question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("ファイルの削除"), question,
                    QMessageBox::Yes | QMessageBox::No, MessageBox::ownerFor(parent));
    box.setObjectName(QStringLiteral("boxTrashQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QByteArray trashInfoText(const QByteArray& path, const QDateTime& when)
{
    // The name's own bytes, escaped as in a URL: a newline cannot split the key and
    // a name in any encoding comes back unchanged.
    QByteArray escaped;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 && byte < 0x80)
            escaped += c;
        else if (c == '/' || c == '-' || c == '.' || c == '_' || c == '~')
            escaped += c;
        else
            escaped += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
    }
    return "[Trash Info]\nPath=" + escaped +
           "\nDeletionDate=" + when.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() +
           "\n";
}

QList<TrashFailure> moveFilesToTrash(const QStringList& paths)
{
    QList<TrashFailure> failed;
    for (const QString& path : paths)
        if (const int error = trashOne(path); error != 0)
            failed.append({path, systemErrorText(error)});
    return failed;
}

QString trashFailureMessage(const QList<TrashFailure>& failed)
{
    QStringList lines;
    for (const TrashFailure& failure : failed)
        lines.append(QDir::toNativeSeparators(failure.path) + QStringLiteral("\n  ") +
                     failure.reason);
    return QStringLiteral("次のファイルをごみ箱に移動できませんでした。\n") +
           lines.join(QLatin1Char('\n'));
}

} // namespace vistrel
