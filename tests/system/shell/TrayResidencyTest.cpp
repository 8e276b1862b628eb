#include "ShellTestBase.h"
#include "harness/TrayHost.h"

#include <QDir>

#include <csignal>

using namespace vistrel::test;

namespace {

// A copy that listens but does not answer is busy, not merely running.
const QString Busy =
    QStringLiteral("「Vistrel」は起動していますが、ほかの処理中のため要求を受け付け"
                   "られませんでした。しばらくしてからやり直してください。");

class TrayResidencyTest : public ShellTestBase {
protected:
    // Right click on the icon; the pointer then leaves the menu, so that only
    // keys choose: Down from nothing is the first item, Up the last.
    bool openTrayMenu(pid_t pid, WindowId icon)
    {
        tray.click(icon, 3);
        if (!waitForMenu(pid))
            return false;
        session.xdotool(
            {QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("700")});
        return true;
    }

    TrayHost tray{session};
};

} // namespace

TEST_F(TrayResidencyTest, IconOnlyStartAndTheTrayMenuOpensTheWindow)
{
    program.writeIni("[ALL]\nICON=1\n");
    ChildProcess& vistrel = program.start();
    const std::optional<WindowId> icon = tray.waitForIcon();
    ASSERT_TRUE(icon) << "no icon docked in the tray\n" << program.output().toStdString();

    tray.click(*icon, 1); // a single left click does nothing
    ASSERT_TRUE(openTrayMenu(vistrel.pid(), *icon)) << "no menu on a right click";
    // The menu has been served, so the start and the left click are done with.
    EXPECT_TRUE(program.mainWindows(vistrel.pid()).isEmpty())
        << "window shown at an icon-only start";

    keys({QStringLiteral("Down"), QStringLiteral("Return")}); // "Vistrelを開く"
    EXPECT_TRUE(program.waitForMainWindow(vistrel.pid())) << "the window did not open";
    EXPECT_TRUE(waitForNoMenu(vistrel.pid()));
    EXPECT_EQ(tray.icons().size(), 1);
    EXPECT_TRUE(vistrel.isRunning());
}

TEST_F(TrayResidencyTest, CloseButtonHidesAndTheTrayExitEndsWithTheSettingsSaved)
{
    program.writeIni("[ALL]\nICON=0\nAPCLOSE=0\n");
    ChildProcess& vistrel = program.start();
    std::optional<WindowId> window = program.waitForMainWindow(vistrel.pid());
    ASSERT_TRUE(window) << program.output().toStdString();
    const std::optional<WindowId> icon = tray.waitForIcon();
    ASSERT_TRUE(icon);

    probe.requestClose(*window);
    ASSERT_TRUE(waitUntilHidden(vistrel.pid())) << "the close button did not hide the window";
    EXPECT_TRUE(vistrel.isRunning());
    EXPECT_EQ(tray.icons().size(), 1);

    tray.click(*icon, 1, 2); // a double click brings it back
    window = program.waitForMainWindow(vistrel.pid());
    ASSERT_TRUE(window) << "a double click on the icon did not show the window";
    probe.requestClose(*window);
    ASSERT_TRUE(waitUntilHidden(vistrel.pid()));

    ASSERT_TRUE(openTrayMenu(vistrel.pid(), *icon));
    keys({QStringLiteral("Up"), QStringLiteral("Up"), QStringLiteral("Return")}); // "キャンセル"
    EXPECT_TRUE(waitForNoMenu(vistrel.pid()));
    EXPECT_TRUE(vistrel.isRunning());
    EXPECT_TRUE(program.mainWindows(vistrel.pid()).isEmpty());
    EXPECT_EQ(program.iniValue("MAIN", "AFTERACTION"), "") << "saved before the exit";

    ASSERT_TRUE(openTrayMenu(vistrel.pid(), *icon));
    keys({QStringLiteral("Up"), QStringLiteral("Return")}); // "常駐しないで終了する"
    ASSERT_TRUE(vistrel.waitForExit(DefaultTimeout)) << "the tray exit did not end the program";
    EXPECT_EQ(vistrel.exitCode(), 0);
    EXPECT_EQ(program.iniValue("MAIN", "AFTERACTION"), "0") << program.readIni().toStdString();
    EXPECT_EQ(program.iniValue("ALL", "APCLOSE"), "0");
    EXPECT_TRUE(waitFor([&] { return tray.icons().isEmpty(); })) << "the icon stayed";
}

TEST_F(TrayResidencyTest, SecondStartIsRefusedOnlyWhenTheRunningCopyDoesNotAnswer)
{
    ChildProcess& first = program.start();
    ASSERT_TRUE(program.waitForMainWindow(first.pid())) << program.output().toStdString();
    ASSERT_TRUE(tray.waitForIcon());
    const QString shots = program.scratch("shots");
    QDir().mkpath(shots);

    first.signal(SIGSTOP); // it hangs: later starts reach its socket but get no answer
    const ShellRun request = program.run({QStringLiteral("/C1"), QStringLiteral("/A5;") + shots});
    EXPECT_EQ(request.exitCode, 1) << "a script is told, not shown a box";
    EXPECT_EQ(request.errors, QStringLiteral("vistrel: ") + Busy + u'\n');

    ChildProcess& second = program.start();
    ASSERT_TRUE(program.waitForLogLine(QStringLiteral("message: ") + Busy))
        << program.output().toStdString();
    // The message box waits for its OK.
    const std::optional<WindowId> box = program.waitForMainWindow(second.pid());
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(tray.icons().size(), 1);
    probe.requestClose(*box);
    ASSERT_TRUE(second.waitForExit(DefaultTimeout));
    EXPECT_EQ(second.exitCode(), 0);
    first.signal(SIGCONT);

    // Answering again, it carries out only the request that still waits for it.
    const ShellRun answered = program.run({QStringLiteral("/C1"), QStringLiteral("/A5;") + shots});
    EXPECT_EQ(answered.exitCode, 0) << answered.errors.toStdString();
    EXPECT_EQ(QDir(shots).entryList(QDir::Files).size(), 1);
    EXPECT_TRUE(program.waitForMainWindow(first.pid())) << "the window did not come back";
    EXPECT_EQ(program.mainWindows().size(), 1);
    EXPECT_EQ(tray.icons().size(), 1);
    EXPECT_TRUE(first.isRunning());
    EXPECT_EQ(program.testLog().filter(QStringLiteral("message: ")),
              QStringList{QStringLiteral("message: ") + Busy});
}

TEST_F(TrayResidencyTest, TermSignalSavesTheSettingsAndRemovesTheTabPictures)
{
    program.writeIni("[ALL]\nAPCLOSE=0\n[MAIN]\nCLIENT=0\n");
    ChildProcess& vistrel = program.start();
    std::optional<WindowId> window = program.waitForMainWindow(vistrel.pid());
    ASSERT_TRUE(window) << program.output().toStdString();
    ASSERT_TRUE(tray.waitForIcon());

    // Capture > Full screen keeps the picture in a tab file.
    ASSERT_TRUE(chooseFromMainMenu(vistrel.pid(), *window, "c", "f"));
    ASSERT_TRUE(waitFor([&] { return !program.tabPictures().isEmpty(); }))
        << "no tab picture after a capture\n"
        << program.output().toStdString();
    window = program.waitForMainWindow(vistrel.pid());
    ASSERT_TRUE(window);
    // Capture > Client area: a change only the exit sequence can save.
    ASSERT_TRUE(chooseFromMainMenu(vistrel.pid(), *window, "c", "c"));

    vistrel.signal(SIGTERM);
    ASSERT_TRUE(vistrel.waitForExit(DefaultTimeout));
    EXPECT_FALSE(vistrel.killedBySignal());
    EXPECT_EQ(program.iniValue("MAIN", "CLIENT"), "1") << program.readIni().toStdString();
    EXPECT_EQ(program.tabPictures(), QStringList{});
}

TEST_F(TrayResidencyTest, IconComesBackWhenTheTrayHostRestarts)
{
    ChildProcess& vistrel = program.start();
    ASSERT_TRUE(tray.waitForIcon()) << "no icon docked in the tray";
    tray.restart();
    EXPECT_TRUE(tray.waitForIcon()) << "the icon did not dock in the new tray";
    EXPECT_TRUE(vistrel.isRunning());
}

TEST_F(TrayResidencyTest, TheTrayIconCallsATimerCaptureOffDuringItsCountdown)
{
    // A long wait without the countdown window: only the tray icon is left to call it off.
    program.writeIni("[TIMER]\nMINUTE=60\nSHOW=0\n");
    ChildProcess& vistrel = program.start();
    const std::optional<WindowId> window = program.waitForMainWindow(vistrel.pid());
    ASSERT_TRUE(window) << program.output().toStdString();
    ASSERT_TRUE(tray.waitForIcon());

    // Capture > Timer capture > Full screen.
    activate(*window);
    keys({QStringLiteral("alt+c")});
    ASSERT_TRUE(waitForMenu(vistrel.pid()));
    keys({QStringLiteral("t"), QStringLiteral("f")});
    ASSERT_TRUE(waitUntilHidden(vistrel.pid())) << "the countdown did not start";

    // The icon docks again for the countdown; its menu then offers the stop alone.
    const bool menuOpened = waitFor([&] {
        const std::optional<WindowId> icon = tray.waitForIcon();
        return icon && openTrayMenu(vistrel.pid(), *icon);
    });
    ASSERT_TRUE(menuOpened) << "no tray menu during the countdown";
    keys({QStringLiteral("Down"), QStringLiteral("Return")}); // "キャプチャを中止"
    ASSERT_TRUE(program.waitForLogLine(QStringLiteral("status: キャプチャ処理が中断されました")))
        << program.output().toStdString();
    EXPECT_TRUE(program.waitForMainWindow(vistrel.pid())) << "the window did not come back";
    EXPECT_TRUE(program.tabPictures().isEmpty());
    EXPECT_TRUE(tray.waitForIcon());
}
