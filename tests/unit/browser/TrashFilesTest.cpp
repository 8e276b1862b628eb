#include "browser/TrashFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

using namespace vistrel;

namespace {

void writeBytes(const QString& path, qint64 count)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(QByteArray(count, 'x')), count);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The Path= value of an information file, decoded.
QString originalPath(const QByteArray& info)
{
    for (const QByteArray& line : info.split('\n'))
        if (line.startsWith("Path="))
            return QUrl::fromPercentEncoding(line.mid(5));
    return {};
}

class TrashFilesTest : public testing::Test {
protected:
    TrashFilesTest()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    }
    ~TrashFilesTest() override { qunsetenv("XDG_DATA_HOME"); }

    QString homeTrash(const QString& rest) const
    {
        return home.filePath(QStringLiteral("data/Trash/") + rest);
    }

    QTemporaryDir home;
    QTemporaryDir folder;
};

// A small filesystem of its own, mounted for the test (needs root; skipped otherwise).
class SmallVolume {
public:
    SmallVolume()
    {
        m_mounted = ::getuid() == 0 && ::mount("tmpfs", QFile::encodeName(m_top.path()).constData(),
                                               "tmpfs", 0, "size=256k,mode=0755") == 0;
    }
    ~SmallVolume()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_top.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path(const QString& rest) const { return m_top.filePath(rest); }

private:
    QTemporaryDir m_top;
    bool m_mounted = false;
};

} // namespace

// Names with a newline, a percent sign or Japanese are escaped in Path=, come back
// unchanged when decoded, and two files of one name both keep their information.
TEST_F(TrashFilesTest, InformationFileEscapesThePathAndComesFirst)
{
    const QString odd = folder.filePath(QStringLiteral("行\nBcc 100%.bmp"));
    const QString twin = folder.filePath(QStringLiteral("画像.bmp"));
    writeBytes(odd, 10);
    writeBytes(twin, 10);
    ASSERT_TRUE(moveFilesToTrash({odd, twin}).isEmpty());
    writeBytes(twin, 20);
    ASSERT_TRUE(moveFilesToTrash({twin}).isEmpty());

    const QByteArray info = readAll(homeTrash(QStringLiteral("info/行\nBcc 100%.bmp.trashinfo")));
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=/"));
    EXPECT_EQ(info.count('\n'), 3);
    EXPECT_FALSE(info.contains("行"));
    EXPECT_EQ(originalPath(info), odd);
    EXPECT_TRUE(QFile::exists(homeTrash(QStringLiteral("files/行\nBcc 100%.bmp"))));
    EXPECT_EQ(originalPath(readAll(homeTrash(QStringLiteral("info/画像.2.bmp.trashinfo")))), twin);
    EXPECT_EQ(QFileInfo(homeTrash(QStringLiteral("files/画像.2.bmp"))).size(), 20);
    EXPECT_FALSE(QFile::exists(odd));
}

// No usable trash: the file stays, the cause is given, and nothing appears in the
// working folder (as a test run once trashed into the repository).
TEST_F(TrashFilesTest, WithoutATrashFolderTheFileStaysAndTheWorkingFolderIsUntouched)
{
    writeBytes(home.filePath(QStringLiteral("blocker")), 1);
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("blocker/data"))));
    const QString path = folder.filePath(QStringLiteral("x.bmp"));
    writeBytes(path, 10);
    QTemporaryDir working;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(working.path()));
    const QList<TrashFailure> failed = moveFilesToTrash({path});
    QDir::setCurrent(before);

    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0].path, path);
    EXPECT_FALSE(failed[0].reason.isEmpty());
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(
        QDir(working.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

// A file on another filesystem goes to that volume's own trash with a path relative to
// its top; on a full volume the information cannot be written, so the file stays put.
TEST_F(TrashFilesTest, OtherVolumeUsesItsOwnTrashAndAFullOneKeepsTheFile)
{
    SmallVolume volume;
    if (!volume.mounted())
        GTEST_SKIP() << "mounting a small filesystem needs root";
    ASSERT_TRUE(QDir().mkpath(volume.path(QStringLiteral("sub"))));
    const QString path = volume.path(QStringLiteral("sub/a.bmp"));
    writeBytes(path, 1000);
    ASSERT_TRUE(moveFilesToTrash({path}).isEmpty());
    const QString trash = volume.path(QStringLiteral(".Trash-%1/").arg(::getuid()));
    EXPECT_TRUE(QFile::exists(trash + QStringLiteral("files/a.bmp")));
    EXPECT_EQ(originalPath(readAll(trash + QStringLiteral("info/a.bmp.trashinfo"))),
              QStringLiteral("sub/a.bmp"));
    EXPECT_EQ((QFileInfo(trash).permissions() & 0x0077).toInt(), 0);

    const QString kept = volume.path(QStringLiteral("sub/b.bmp"));
    writeBytes(kept, 1000);
    QFile filler(volume.path(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
    }
    filler.close();
    const QList<TrashFailure> failed = moveFilesToTrash({kept});
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0].reason, QStringLiteral("ディスクの空き容量が足りません。"));
    EXPECT_EQ(QFileInfo(kept).size(), 1000);
    EXPECT_FALSE(QFile::exists(trash + QStringLiteral("info/b.bmp.trashinfo")));
    EXPECT_FALSE(QFile::exists(trash + QStringLiteral("files/b.bmp")));
}
