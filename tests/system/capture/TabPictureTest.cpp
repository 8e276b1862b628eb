#include "capture/CaptureScene.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace vistrel::test;

// A hotkey capture whose action is a continuous save replaces the current image
// behind the view; leaving the tab and coming back must still show the tab's
// own picture, which a continuous save from the File menu then writes.
TEST(TabPicture, HotkeyCaptureBehindATabDoesNotReplaceItsPicture)
{
    CaptureScene scene;
    const QRect patternClient(900, 200, 320, 240);
    const WindowId pattern = scene.startPattern(patternClient, QStringLiteral("tab picture"));
    const QString shots = scene.session().tempDir() + QStringLiteral("/shots");
    ASSERT_TRUE(QDir().mkpath(shots));
    scene.startVistrel("CLIENT=1\n[AUTOSAVE]\nDIR=" + shots.toUtf8() +
                       "\nSAVETYPE=10\nFILE=shot\nAUTONOKETA=3\n[HOTKEY]\nCOMMAND0=Screen\n"
                       "PARAM0=/C1,/A5\nCTRL0=1\nSHIFT0=0\nALT0=1\nWIN0=0\nKEY0=P");
    const auto shotFiles = [&] { return QDir(shots).entryList(QDir::Files, QDir::Name); };
    const auto log = [&] { return scene.vistrel().testLog().join(u'\n').toStdString(); };

    // Tab 1: the full screen; tab 2: the pattern window, left selected.
    scene.chooseCaptureItem(QStringLiteral("f"));
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 1)) << log();
    ASSERT_TRUE(scene.waitForMainWindowBack());
    scene.activate(pattern);
    scene.chooseCaptureItem(QStringLiteral("a"));
    ASSERT_TRUE(scene.waitForStatusCount(CaptureScene::Completed, 2)) << log();
    ASSERT_TRUE(scene.waitForMainWindowBack());
    ASSERT_EQ(scene.tabPicture(2).size(), patternClient.size());

    scene.key(QStringLiteral("ctrl+alt+p"));
    ASSERT_TRUE(waitFor([&] { return shotFiles().size() == 1; })) << log();
    ASSERT_NE(QImage(shots + QStringLiteral("/shot001.png")).size(), patternClient.size());
    ASSERT_TRUE(scene.waitForMainWindowBack()); // shown again after the action

    // To tab 1 and back, then save what tab 2 shows.
    scene.activate(scene.mainWindow());
    scene.key(QStringLiteral("ctrl+Prior"));
    scene.key(QStringLiteral("ctrl+Next"));
    scene.key(QStringLiteral("alt+f"));
    scene.key(QStringLiteral("a"));
    ASSERT_TRUE(waitFor([&] { return shotFiles().size() == 2; })) << log();
    const QImage shown(shots + QStringLiteral("/shot002.png"));
    EXPECT_EQ(shown.size(), patternClient.size());
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), scene.tabPicture(2));
}
