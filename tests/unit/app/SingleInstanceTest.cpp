#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using vistrel::SingleInstance;

TEST(SingleInstance, ALockFolderOthersCanWriteIsRefusedForTheUsersOwn)
{
    QTemporaryDir dir;
    const QString shared = dir.filePath(QStringLiteral("shared"));
    QDir().mkpath(shared);
    ::chmod(QFile::encodeName(shared).constData(), 01777); // like /tmp: anyone may plant files
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(shared));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
    {
        const SingleInstance first(QStringLiteral("TestLock"));
        const SingleInstance second(QStringLiteral("TestLock"));
        EXPECT_TRUE(first.acquired());
        EXPECT_TRUE(first.problem().isEmpty());
        EXPECT_FALSE(second.acquired()) << "the lock still excludes a second instance";
        EXPECT_FALSE(QFile::exists(shared + QStringLiteral("/TestLock")));
        EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("cache/vistrel/TestLock"))));
        struct stat info = {};
        ASSERT_EQ(
            ::stat(QFile::encodeName(dir.filePath(QStringLiteral("cache/vistrel"))).constData(),
                   &info),
            0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    qputenv("XDG_CACHE_HOME", oldCache);
}
