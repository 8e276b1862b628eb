#include "browser/PictureListing.h"
#include "browser/ThumbnailCache.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utime.h>

using namespace vistrel;

namespace {

void writeBytes(const QString& path, qint64 count)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(count, 'x'));
}

ListedFile file(const char* name, qint64 size, int minute)
{
    return {QString::fromLatin1(name), size, QDateTime(QDate(2024, 5, 1), QTime(10, minute))};
}

QStringList names(const QList<ListedFile>& files)
{
    QStringList result;
    for (const ListedFile& f : files)
        result << f.name;
    return result;
}

} // namespace

TEST(PictureListing, ListsOnlyPictureFilesWithTheirColumnTexts)
{
    QTemporaryDir folder;
    for (const char* name : {"photo.Jpeg", "a.PNG", "b.gif", "c.bmp", "d.jpg"})
        writeBytes(folder.filePath(QString::fromLatin1(name)), 10);
    for (const char* name : {"photo.jpe", "photo.tif", "notes.txt", ".png"})
        writeBytes(folder.filePath(QString::fromLatin1(name)), 10);
    QDir(folder.path()).mkdir(QStringLiteral("sub.png"));
    QList<ListedFile> files = listPictureFiles(folder.path());
    FileSortOrder().sort(files);
    EXPECT_EQ(names(files), (QStringList{"a.PNG", "b.gif", "c.bmp", "d.jpg", "photo.Jpeg"}));
    EXPECT_TRUE(listPictureFiles(folder.filePath(QStringLiteral("missing"))).isEmpty());

    EXPECT_EQ(fileSizeText(0), "0KB");
    EXPECT_EQ(fileSizeText(1), "1KB");
    EXPECT_EQ(fileSizeText(1024), "1KB");
    EXPECT_EQ(fileSizeText(1025), "2KB");
    EXPECT_EQ(fileDateText(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 59))), "2024/01/02 03:04");
}

TEST(PictureListing, HeaderClicksTurnTheOrderRound)
{
    QList<ListedFile> files = {file("b.png", 10 * 1024, 3), file("a.png", 9 * 1024, 1),
                               file("c.png", 100, 2)};
    FileSortOrder order;
    order.sort(files);
    EXPECT_EQ(names(files), (QStringList{"a.png", "b.png", "c.png"}));
    order.headerClicked(0);
    order.sort(files);
    EXPECT_EQ(names(files), (QStringList{"c.png", "b.png", "a.png"}));
    order.headerClicked(0);
    order.sort(files);
    EXPECT_EQ(names(files), (QStringList{"a.png", "b.png", "c.png"}));
    // Sizes as numbers, smallest first (9KB before 10KB); again for largest first.
    order.headerClicked(1);
    order.sort(files);
    EXPECT_EQ(names(files), (QStringList{"c.png", "a.png", "b.png"}));
    order.headerClicked(1);
    order.sort(files);
    EXPECT_EQ(names(files), (QStringList{"b.png", "a.png", "c.png"}));
    // Dates: the newest first.
    order.headerClicked(2);
    order.sort(files);
    EXPECT_EQ(names(files), (QStringList{"b.png", "c.png", "a.png"}));
    EXPECT_EQ(order.column(), 2);
}

TEST(ThumbnailCache, MakesSharedThumbnailsAndSeesThemGoStale)
{
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
    const QString picture = home.filePath(QStringLiteral("wide picture.png"));
    QImage source(600, 300, QImage::Format_RGB32);
    source.fill(0xff336699);
    ASSERT_TRUE(source.save(picture));

    EXPECT_TRUE(ThumbnailCache::cachedThumbnail(picture).isNull());
    const QImage made = ThumbnailCache::thumbnail(picture);
    EXPECT_EQ(made.size(), QSize(128, 64));
    EXPECT_TRUE(ThumbnailCache::thumbnailPath(picture).startsWith(
        home.filePath(QStringLiteral("cache/thumbnails/normal/"))));
    EXPECT_TRUE(ThumbnailCache::fileUri(picture).endsWith(QStringLiteral("wide%20picture.png")));
    const QImage cached = ThumbnailCache::cachedThumbnail(picture);
    ASSERT_FALSE(cached.isNull());
    EXPECT_EQ(cached.text(QStringLiteral("Thumb::URI")), ThumbnailCache::fileUri(picture));
    EXPECT_EQ(cached.text(QStringLiteral("Thumb::Image::Width")), "600");
    // The owner's alone, as the cache's rules ask.
    EXPECT_EQ(QFile::permissions(ThumbnailCache::thumbnailPath(picture)) & 0x00ff, 0);

    // A changed file makes the cached one stale.
    struct utimbuf later {
        1'000'000'000, 1'000'000'000
    };
    ASSERT_EQ(::utime(QFile::encodeName(picture).constData(), &later), 0);
    EXPECT_TRUE(ThumbnailCache::cachedThumbnail(picture).isNull());

    // A damaged picture gives no thumbnail and leaves nothing in the cache.
    const QString broken = home.filePath(QStringLiteral("broken.png"));
    writeBytes(broken, 40);
    EXPECT_TRUE(ThumbnailCache::thumbnail(broken).isNull());
    EXPECT_FALSE(QFile::exists(ThumbnailCache::thumbnailPath(broken)));
    qunsetenv("XDG_CACHE_HOME");
}
