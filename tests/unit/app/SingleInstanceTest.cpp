#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

TEST(SingleInstance, EachDisplayHasItsOwnLockWhateverTheScreen)
{
    const QByteArray oldDisplay = qgetenv("DISPLAY");
    const std::pair<const char*, const char*> keys[] = {{":0", "x11-0"},
                                                        {":0.1", "x11-0"},
                                                        {"unix:0", "x11-0"},
                                                        {":1", "x11-1"},
                                                        {"localhost:10.0", "x11-localhost-10"},
                                                        {"a/b:2", "x11-a_b-2"}};
    for (const auto& [display, key] : keys) {
        qputenv("DISPLAY", display);
        EXPECT_EQ(SingleInstance::displayKey(), QString::fromLatin1(key)) << display;
    }
    qputenv("DISPLAY", oldDisplay);
}

TEST(SingleInstance, AStartWithoutTheRuntimeFolderFindsTheCopyThatHasOne)
{
    QTemporaryDir dir;
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        const SingleInstance withRuntime(QStringLiteral("TestLock"));
        ASSERT_TRUE(withRuntime.acquired());
        qunsetenv("XDG_RUNTIME_DIR");
        const SingleInstance without(QStringLiteral("TestLock"));
        EXPECT_FALSE(without.acquired()) << "a second full copy";
        EXPECT_EQ(QFileInfo(without.requestFolder()).canonicalFilePath(),
                  QFileInfo(runtime).canonicalFilePath())
            << "hands over to the socket beside the running copy's lock";
    }
    {
        qunsetenv("XDG_RUNTIME_DIR");
        const SingleInstance without(QStringLiteral("TestLock"));
        ASSERT_TRUE(without.acquired());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        const SingleInstance withRuntime(QStringLiteral("TestLock"));
        EXPECT_FALSE(withRuntime.acquired()) << "the copy in the cache folder is found";
    }
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    qputenv("XDG_CACHE_HOME", oldCache);
}
