#include "PictureMenuScene.h"

#include "harness/Wait.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

using namespace vistrel::test;

namespace {

const QSize MarkerSize(160, 120);

void store(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A real PNG whose image data was damaged on the way: the checksum no longer matches.
QByteArray corruptPng()
{
    QByteArray bytes = markerPng(MarkerSize);
    const qsizetype data = bytes.indexOf("IDAT");
    bytes[data + 12] = char(bytes[data + 12] ^ 0x5a);
    return bytes;
}

// The message log holds a line starting with `start` (a message's reason follows on the next).
bool hasLine(PictureMenuScene& scene, const QString& start)
{
    const QStringList log = scene.vistrel().testLog();
    return std::any_of(log.begin(), log.end(),
                       [&](const QString& line) { return line.startsWith(start); });
}

// Opens the marker picture so that the program has one on show, as after a capture.
void openMarker(PictureMenuScene& scene)
{
    const QString good = scene.folder() + QStringLiteral("/marker.png");
    scene.chooseFile(QStringLiteral("o"), good);
    const int expected = MarkerSize.width() * MarkerSize.height();
    ASSERT_TRUE(waitFor([&] { return scene.markerPixels() >= expected; }))
        << "the picture is not on show (" << scene.markerPixels() << " pixels)\n"
        << scene.log();
}

} // namespace

// A damaged file opened from the File menu: the reader's message, and the picture that was
// on show stays as it was.
TEST(PictureMenu, CorruptFileShowsTheErrorAndKeepsThePicture)
{
    PictureMenuScene scene;
    store(scene.folder() + QStringLiteral("/marker.png"), markerPng(MarkerSize));
    const QString broken = scene.folder() + QStringLiteral("/broken.png");
    store(broken, corruptPng());
    ASSERT_TRUE(scene.start()) << scene.log();
    openMarker(scene);
    const int before = scene.markerPixels();

    scene.chooseFile(QStringLiteral("o"), broken);
    const QString expected = QStringLiteral("error: %1 を読み込めません").arg(broken);
    ASSERT_TRUE(waitFor([&] { return hasLine(scene, expected); })) << scene.log();
    ASSERT_TRUE(scene.answerMessageBox()) << "the message box did not go away\n" << scene.log();

    EXPECT_TRUE(scene.vistrel().isAlive()) << scene.log();
    EXPECT_EQ(scene.markerPixels(), before);
}

// Save-As over a file in a folder the user may not write to: the message names the file,
// and the old file keeps its bytes, with no temporary file left beside it.
TEST(PictureMenu, FailedSaveShowsTheErrorAndKeepsTheOldFile)
{
    if (!VistrelProcess::unprivilegedUserCanRun())
        GTEST_SKIP() << "root, and the program lies where an unprivileged user cannot run it";
    PictureMenuScene scene;
    store(scene.folder() + QStringLiteral("/marker.png"), markerPng(MarkerSize));
    const QString locked = scene.folder() + QStringLiteral("/locked");
    ASSERT_TRUE(QDir().mkpath(locked));
    const QString target = locked + QStringLiteral("/old.bmp");
    const QByteArray old("BM an older picture that must survive");
    store(target, old);
    ASSERT_TRUE(scene.start()) << scene.log();
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    openMarker(scene);

    scene.chooseFile(QStringLiteral("s"), target);
    // The overwrite question comes first; its default is No, so answer Yes by its key.
    ASSERT_TRUE(scene.answerMessageBox(QStringLiteral("y"))) << scene.log();
    const QString expected = QStringLiteral("error: %1 に書き込めません").arg(target);
    EXPECT_TRUE(waitFor([&] { return hasLine(scene, expected); })) << scene.log();
    EXPECT_TRUE(scene.answerMessageBox()) << scene.log();

    EXPECT_TRUE(scene.vistrel().isAlive()) << scene.log();
    EXPECT_EQ(contents(target), old);
    EXPECT_EQ(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{"old.bmp"});
    ::chmod(QFile::encodeName(locked).constData(), 0755);
}
