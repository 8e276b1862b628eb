#include "browser/PictureListing.h"
#include "browser/FileListModel.h"
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

// Missing thumbnail folders are made owner-only; a folder reached through a link keeps
// its owner's permissions.
TEST(ThumbnailCache, MakesMissingFoldersPrivateAndLeavesLinkedOnesAlone)
{
    QTemporaryDir home;
    const QString picture = home.filePath(QStringLiteral("p.png"));
    QImage source(40, 30, QImage::Format_RGB32);
    source.fill(0xff336699);
    ASSERT_TRUE(source.save(picture));
    const auto groupAndOthers = [](const QString& path) {
        return (QFile::permissions(path) & 0x00ff).toInt();
    };

    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("fresh"))));
    ASSERT_FALSE(ThumbnailCache::thumbnail(picture).isNull());
    EXPECT_EQ(groupAndOthers(home.filePath(QStringLiteral("fresh/thumbnails"))), 0);
    EXPECT_EQ(groupAndOthers(home.filePath(QStringLiteral("fresh/thumbnails/normal"))), 0);

    const QString shared = home.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared + QStringLiteral("/normal")));
    const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                      QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                      QFileDevice::ExeOther;
    for (const QString& folder : {shared, shared + QStringLiteral("/normal")})
        ASSERT_TRUE(QFile::setPermissions(folder, open));
    ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral("linked"))));
    ASSERT_TRUE(QFile::link(shared, home.filePath(QStringLiteral("linked/thumbnails"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("linked"))));
    ASSERT_FALSE(ThumbnailCache::makeThumbnail(picture).isNull());
    EXPECT_TRUE(QFile::exists(ThumbnailCache::thumbnailPath(picture)));
    EXPECT_EQ(groupAndOthers(shared), 0x55);
    EXPECT_EQ(groupAndOthers(shared + QStringLiteral("/normal")), 0x55);
    qunsetenv("XDG_CACHE_HOME");
}

// Named changes move single rows: a new file takes its place in the sort order, a
// grown one moves, a gone one leaves, and nothing else is read or reset.
TEST(FileListModel, NamedChangesMoveSingleRows)
{
    QTemporaryDir folder;
    writeBytes(folder.filePath(QStringLiteral("a.bmp")), 3000);
    writeBytes(folder.filePath(QStringLiteral("c.bmp")), 1000);
    FileListModel model;
    model.FillFileList(folder.path());
    model.sortOrder().headerClicked(1); // smallest first
    model.sortFiles();
    const QPersistentModelIndex kept = model.index(1, 0); // a.bmp
    int wholeChanges = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++wholeChanges; });
    QObject::connect(&model, &QAbstractItemModel::layoutChanged, [&] { ++wholeChanges; });

    writeBytes(folder.filePath(QStringLiteral("b.bmp")), 2000);
    writeBytes(folder.filePath(QStringLiteral("c.bmp")), 9000);
    writeBytes(folder.filePath(QStringLiteral("notes.txt")), 10);
    model.updateFiles(
        {QStringLiteral("b.bmp"), QStringLiteral("c.bmp"), QStringLiteral("notes.txt")});
    QStringList order;
    for (const ListedFile& file : model.files())
        order << file.name;
    EXPECT_EQ(order, (QStringList{"b.bmp", "a.bmp", "c.bmp"}));
    EXPECT_EQ(kept.row(), 1);
    QFile::remove(folder.filePath(QStringLiteral("b.bmp")));
    model.updateFiles({QStringLiteral("b.bmp"), QStringLiteral("gone.bmp")});
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(kept.row(), 0);
    EXPECT_EQ(wholeChanges, 0);
}
