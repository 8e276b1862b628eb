#include "HotkeyScene.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>

using namespace vistrel::test;

namespace {

const QString Entry0 = QStringLiteral("COMMAND0=Screen\nPARAM0=/C1,/A5\nCTRL0=1\nSHIFT0=0\n"
                                      "ALT0=1\nWIN0=0\nKEY0=P\n");
constexpr unsigned KeysymG = 0x67;

} // namespace

TEST(HotkeyCapture, PressWritesTheNextFileWhileHiddenAlsoWithNumLock)
{
    HotkeyScene scene;
    scene.startTray();
    scene.writeIni(Entry0, QStringLiteral("ICON=0\nAPCLOSE=0\n"));
    scene.vistrel().start();
    // The window is shown after the hotkeys have been registered.
    const std::optional<WindowId> window = scene.waitForMainWindow();
    ASSERT_TRUE(window) << scene.log();
    // The close button hides the window; a request that comes while the window
    // is still being set up may be dropped, so it is repeated.
    const bool hidden = waitFor([&] {
        if (scene.programWindows().isEmpty())
            return true;
        scene.requestClose(*window);
        return waitFor([&] { return scene.programWindows().isEmpty(); },
                       std::chrono::milliseconds(1000));
    });
    ASSERT_TRUE(hidden) << "the close button did not hide the window\n" << scene.log();
    ASSERT_TRUE(scene.vistrel().isAlive()) << scene.log();

    scene.keys(QStringLiteral("ctrl+alt+p"));
    ASSERT_TRUE(scene.waitForShots(1)) << scene.log();
    EXPECT_EQ(scene.shots(), QStringList{QStringLiteral("shot001.png")});

    scene.keys(QStringLiteral("Num_Lock"));
    scene.keys(QStringLiteral("ctrl+alt+p"));
    ASSERT_TRUE(scene.waitForShots(2)) << "NumLock stopped the hotkey\n" << scene.log();
    scene.keys(QStringLiteral("Num_Lock"));
    scene.keys(QStringLiteral("Caps_Lock"));
    scene.keys(QStringLiteral("ctrl+alt+p"));
    ASSERT_TRUE(scene.waitForShots(3)) << "CapsLock stopped the hotkey\n" << scene.log();
    scene.keys(QStringLiteral("Caps_Lock"));

    EXPECT_EQ(scene.shots().last(), QStringLiteral("shot003.png"));
    EXPECT_TRUE(scene.programWindows().isEmpty()) << "the window came back";
    EXPECT_TRUE(scene.vistrel().testLog().filter(QStringLiteral("message: ")).isEmpty())
        << scene.log();
    EXPECT_TRUE(scene.vistrel().isAlive());
}

TEST(HotkeyCapture, TakenCombinationsAreReportedByNameAndTheOthersStillWork)
{
    HotkeyScene scene;
    scene.holdKey(KeysymG);
    scene.writeIni(QStringLiteral("COMMAND0=Held\nPARAM0=/C1,/A5\nCTRL0=1\nALT0=1\nKEY0=G\n") +
                   QStringLiteral("COMMAND1=Screen\nPARAM1=/C1,/A5\nCTRL1=1\nALT1=1\nKEY1=P\n") +
                   QStringLiteral("COMMAND2=Twin\nPARAM2=/C1,/A6\nCTRL2=1\nALT2=1\nKEY2=P\n") +
                   QStringLiteral("COMMAND3=Bare\nPARAM3=/C1,/A5\nKEY3=B\n"));
    scene.vistrel().start();
    // One box for all the failures, and only once the main window is up.
    const QString firstLine =
        QStringLiteral("message: 「Held」ホットキーの登録に失敗しました（Ctrl+Alt+G）");
    ASSERT_TRUE(scene.vistrel().waitForLogLine(firstLine)) << scene.log();
    EXPECT_TRUE(waitFor([&] {
        const QList<WindowId> windows = scene.programWindows();
        return std::any_of(windows.begin(), windows.end(), [&](WindowId window) {
            return !scene.session().display().isDialog(window);
        });
    })) << "the box came before the main window";
    scene.closeMessageBoxes({firstLine});
    ASSERT_TRUE(scene.waitForMainWindow()) << scene.log();

    scene.keys(QStringLiteral("ctrl+alt+p"));
    ASSERT_TRUE(scene.waitForShots(1)) << scene.log();
    const QStringList messages = scene.vistrel().testLog().filter(QStringLiteral("message: "));
    EXPECT_EQ(messages.size(), 1) << scene.log();
    EXPECT_TRUE(scene.vistrel().testLog().contains(
        QStringLiteral("「Twin」ホットキーの登録に失敗しました（Ctrl+Alt+P）")))
        << "an entry without a modifier is not even tried\n"
        << scene.log();
    EXPECT_TRUE(scene.vistrel().testLog().filter(QStringLiteral("Bare")).isEmpty()) << scene.log();
    EXPECT_EQ(scene.shots(), QStringList{QStringLiteral("shot001.png")});
}

TEST(CommandLineCapture, WritesAFileMapsNoWindowAndExitsZero)
{
    HotkeyScene scene;
    scene.writeIni({}, QStringLiteral("APCLOSE=1\n"));
    MapWatcher maps(scene.session().displayName());
    scene.vistrel().start({QStringLiteral("/C1"), QStringLiteral("/A5;") + scene.shotFolder() +
                                                      QStringLiteral(";10;cmd")});
    ASSERT_TRUE(scene.vistrel().waitForExit(DefaultTimeout)) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 0) << scene.log();
    EXPECT_EQ(scene.shots(), QStringList{QStringLiteral("cmd001.png")});
    EXPECT_EQ(maps.mappedSoFar(), 0) << "a window was mapped";
    // With APCLOSE the settings are saved at the end, but the override lasted for
    // this run only: the stored continuous-save settings are those of the file.
    const QByteArray ini = scene.vistrel().readIni();
    EXPECT_TRUE(ini.contains("FILE=shot\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("OVERWRITE=1\n")) << ini.toStdString();
}

// The window-less run decides like a closed main window: with a tray to stay in and no
// APCLOSE nothing is saved. Without an X server it ends with the reason, not a crash.
TEST(CommandLineCapture, TrayKeepsTheSettingsFileAsItWasAndNoServerGivesTheReason)
{
    HotkeyScene scene;
    scene.startTray();
    scene.writeIni({});
    const QByteArray before = scene.vistrel().readIni();
    scene.vistrel().start({QStringLiteral("/C1,/A5")});
    ASSERT_TRUE(scene.vistrel().waitForExit(DefaultTimeout)) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 0) << scene.log();
    EXPECT_EQ(scene.shots().size(), 1);
    EXPECT_EQ(scene.vistrel().readIni(), before);

    VistrelProcess noServer(scene.session());
    noServer.setEnv(QStringLiteral("DISPLAY"), QStringLiteral(":65000"));
    noServer.start({QStringLiteral("/C1,/A5")});
    ASSERT_TRUE(noServer.waitForExit(DefaultTimeout));
    EXPECT_EQ(noServer.exitCode(), 1);
    EXPECT_EQ(noServer.output(),
              QStringLiteral("vistrel: X サーバー「:65000」に接続できません。\n"));
}

TEST(CommandLineCapture, AbortedCaptureExitsNonZeroWithTheReasonAndNoBox)
{
    HotkeyScene scene;
    scene.writeIni({});
    scene.vistrel().start({QStringLiteral("/C3,/A5")});
    ASSERT_TRUE(scene.waitForKeyboardGrab()) << "no picking\n" << scene.log();
    scene.keys(QStringLiteral("Escape"));
    // Nothing waits for an OK: the program ends by itself.
    ASSERT_TRUE(scene.vistrel().waitForExit(DefaultTimeout)) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 1);
    EXPECT_EQ(scene.vistrel().output(),
              QStringLiteral("vistrel: キャプチャ処理が中断されました\n"));
    EXPECT_TRUE(scene.shots().isEmpty());
}

TEST(CommandLineCapture, MissingFolderExitsNonZeroWithTheReasonAndMapsNoWindow)
{
    HotkeyScene scene;
    scene.writeIni({}, QStringLiteral("APCLOSE=1\n"));
    MapWatcher maps(scene.session().displayName());
    scene.vistrel().start({QStringLiteral("/C1"), QStringLiteral("/A5;") + scene.shotFolder() +
                                                      QStringLiteral("/missing")});
    ASSERT_TRUE(scene.vistrel().waitForExit(DefaultTimeout)) << scene.log();
    EXPECT_EQ(scene.vistrel().exitCode(), 1);
    EXPECT_EQ(scene.vistrel().output(),
              QStringLiteral("vistrel: 連続保存を行う格納先フォルダが見つかりません。\n"));
    EXPECT_EQ(maps.mappedSoFar(), 0) << "a message box was shown";
}

TEST(CommandLineCapture, StayResidentKeepsRunningWithThePictureShown)
{
    HotkeyScene scene;
    scene.writeIni({}, QStringLiteral("\n[SCREEN]\nLEFT=800\nTOP=100\nWIDTH=900\nHEIGHT=700"));
    // A many-coloured window at the top left, where the view shows the picture.
    scene.session().start({QStringLiteral(PATTERN_WINDOW_BINARY), QStringLiteral("20"),
                           QStringLiteral("40"), QStringLiteral("400"), QStringLiteral("300"),
                           QStringLiteral("hotkey pattern")});
    ASSERT_TRUE(scene.session().waitForWindow(QStringLiteral("hotkey pattern")));
    scene.vistrel().start({QStringLiteral("/C1"), QStringLiteral("/A5"), QStringLiteral("/U")});
    const std::optional<WindowId> window = scene.waitForMainWindow();
    ASSERT_TRUE(window) << scene.log();
    EXPECT_EQ(scene.shots(), QStringList{QStringLiteral("shot001.png")});
    const bool patternInView = waitFor([&] {
        const std::optional<WindowGeometry> at = scene.session().geometry(*window);
        if (!at)
            return false;
        const QImage shown = scene.session().grab(at->client);
        QSet<QRgb> colours;
        for (int y = 0; y < shown.height(); y += 2)
            for (int x = 0; x < shown.width(); x += 2)
                colours.insert(shown.pixel(x, y));
        return colours.size() > 5000;
    });
    EXPECT_TRUE(patternInView) << "the captured picture is not in view";
    EXPECT_TRUE(scene.vistrel().isAlive());
}

TEST(CommandLineCapture, ActionAloneStartsNormallyAndInformationRequestsAnswer)
{
    HotkeyScene scene;
    scene.writeIni({});
    scene.vistrel().start({QStringLiteral("/A6")});
    ASSERT_TRUE(scene.waitForMainWindow()) << scene.log();
    EXPECT_TRUE(scene.vistrel().isAlive());
    scene.vistrel().signal(SIGTERM);
    ASSERT_TRUE(scene.vistrel().waitForExit(DefaultTimeout));

    const CommandResult version =
        runCommand({QStringLiteral(VISTREL_BINARY), QStringLiteral("--version"),
                    QStringLiteral("/C1"), QStringLiteral("/A5")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.output.startsWith("Vistrel ")) << version.output.toStdString();
    const CommandResult help =
        runCommand({QStringLiteral(VISTREL_BINARY), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.contains("/C1")) << help.output.toStdString();
    EXPECT_TRUE(scene.shots().isEmpty());

    // A launcher whose full program is nowhere says so and fails.
    if (QFileInfo::exists(QStringLiteral(VISTREL_INSTALLED_FULL_PROGRAM)))
        return;
    const QTemporaryDir alone;
    const QString launcher = alone.filePath(QStringLiteral("vistrel"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VISTREL_BINARY), launcher));
    ChildOptions options;
    options.outputFile = alone.filePath(QStringLiteral("said"));
    EXPECT_EQ(runCommand({launcher, QStringLiteral("/A6")}, options).exitCode, 1);
    QFile said(options.outputFile);
    ASSERT_TRUE(said.open(QIODevice::ReadOnly));
    EXPECT_TRUE(said.readAll().contains("vistrel-app"));
}
