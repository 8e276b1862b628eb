#include "HotkeyScene.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace vistrel::test;

namespace {

const QString ListTitle = QStringLiteral("ホットキーの設定");
const QString EditorTitle = QStringLiteral("ホットキー情報");
constexpr unsigned KeysymPrint = 0xff61;

// Opens the hotkey list through the Tools menu of the focused main window.
void openHotkeyList(HotkeyScene& scene, WindowId mainWindow)
{
    scene.activate(mainWindow);
    // Qt hands keys that arrive while the menu opens to the menu, in order.
    scene.keys(QStringLiteral("alt+t"));
    scene.keys(QStringLiteral("h"));
}

QStringList messages(HotkeyScene& scene)
{
    return scene.vistrel().testLog().filter(QStringLiteral("message: "));
}

} // namespace

TEST(HotkeyDialog, EntryAddedInTheListCapturesOnItsKeysAndIsSaved)
{
    HotkeyScene scene;
    // Shift+S is held by an entry: typing a capital S in the editor shows
    // whether the hotkeys were let go while the list is open.
    scene.writeIni(QStringLiteral("COMMAND0=Old\nPARAM0=/C1,/A5\nSHIFT0=1\nKEY0=S\n"));
    scene.vistrel().start();
    const std::optional<WindowId> window = scene.waitForMainWindow();
    ASSERT_TRUE(window) << scene.log();

    openHotkeyList(scene, *window);
    ASSERT_TRUE(scene.waitForDialog(ListTitle)) << scene.log();
    scene.keys(QStringLiteral("alt+a"));
    ASSERT_TRUE(scene.waitForDialog(EditorTitle)) << scene.log();
    // The name has the focus; then capture kind, action, and by Tab the modifiers and the key.
    scene.session().xdotool({QStringLiteral("type"), QStringLiteral("--delay"),
                             QStringLiteral("20"), QStringLiteral("Screen")});
    scene.keys(QStringLiteral("alt+p"));
    scene.keys(QStringLiteral("Down")); // フルスクリーン
    scene.keys(QStringLiteral("alt+a"));
    for (int i = 0; i < 5; ++i)
        scene.keys(QStringLiteral("Down")); // 連続して保存する
    for (int i = 0; i < 6; ++i)
        scene.keys(QStringLiteral("Tab")); // past the options to Ctrl
    scene.keys(QStringLiteral("space"));
    scene.keys(QStringLiteral("Tab"));
    scene.keys(QStringLiteral("space")); // Shift
    scene.keys(QStringLiteral("Tab"));
    scene.keys(QStringLiteral("Tab"));
    scene.keys(QStringLiteral("k"));
    scene.keys(QStringLiteral("Return"));
    ASSERT_TRUE(scene.waitForDialogGone(EditorTitle)) << scene.log();
    ASSERT_TRUE(scene.waitForDialog(ListTitle)) << scene.log();
    scene.keys(QStringLiteral("alt+o"));
    ASSERT_TRUE(scene.waitForDialogGone(ListTitle)) << scene.log();

    scene.keys(QStringLiteral("ctrl+shift+k"));
    ASSERT_TRUE(scene.waitForShots(1)) << scene.log();
    EXPECT_EQ(scene.shots(), QStringList{QStringLiteral("shot001.png")});
    EXPECT_TRUE(messages(scene).isEmpty()) << scene.log();

    scene.vistrel().signal(SIGTERM);
    ASSERT_TRUE(scene.vistrel().waitForExit(DefaultTimeout)) << scene.log();
    const QByteArray ini = scene.vistrel().readIni().replace("\r\n", "\n");
    for (const char* line : {"COMMAND0=Old\n", "COMMAND1=Screen\n", "PARAM1=/C1,/A5\n", "CTRL1=1\n",
                             "SHIFT1=1\n", "ALT1=0\n", "WIN1=0\n", "KEY1=K\n", "COMMAND2=\n"})
        EXPECT_TRUE(ini.contains(line)) << line << "\n" << ini.toStdString();
}

TEST(HotkeyDialog, PrintAloneIsReportedWhileTheDesktopHoldsItAndCapturesOnceFree)
{
    HotkeyScene scene;
    scene.writeIni(QStringLiteral("COMMAND0=Print\nPARAM0=/C1,/A5\nKEY0=PrintScreen\n"));
    scene.vistrel().start();
    // The window manager binds Print to its own screenshot program.
    scene.closeMessageBoxes(
        {QStringLiteral("message: 「Print」ホットキーの登録に失敗しました（PrintScreen）")});
    const std::optional<WindowId> window = scene.waitForMainWindow();
    ASSERT_TRUE(window) << scene.log();

    scene.releasePrintFromWindowManager();
    ASSERT_TRUE(waitFor([&] { return scene.keyIsFree(KeysymPrint); }))
        << "the window manager kept Print";
    // Closing the list registers every entry again, also after Cancel.
    openHotkeyList(scene, *window);
    ASSERT_TRUE(scene.waitForDialog(ListTitle)) << scene.log();
    scene.keys(QStringLiteral("Escape"));
    ASSERT_TRUE(scene.waitForDialogGone(ListTitle)) << scene.log();
    ASSERT_TRUE(waitFor([&] { return !scene.keyIsFree(KeysymPrint); }))
        << "Print was not registered again\n"
        << scene.log();

    scene.keys(QStringLiteral("Print"));
    ASSERT_TRUE(scene.waitForShots(1)) << scene.log();
    EXPECT_EQ(messages(scene).size(), 1) << scene.log();
}
