#include "app/HotkeyWiring.h"
#include "app/CommandMap.h"
#include "app/InstanceWiring.h"
#include "app/TfrmMain.h"
#include "edit/StatusPanels.h"
#include "hotkeys/CaptureParam.h"
#include "hotkeys/HotkeyTable.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace vistrel;

namespace {

constexpr quint32 KeysymP = 0x70;
constexpr quint32 KeysymQ = 0x71;

class HotkeyWiringTest : public testing::Test {
protected:
    HotkeyWiringTest()
    {
        QDir().mkpath(platform.settingsDir);
        MessageBox::setHandler(
            [this](const QString& kind, const QString& text) { messages << kind + ": " + text; });
        window = std::make_unique<TfrmMain>(platform);
        window->settings().ALL.WAITTIME = 0;
    }
    ~HotkeyWiringTest() override { MessageBox::setHandler({}); }

    void setEntry(int slot, const char* name, const char* param, bool ctrl, bool alt,
                  const char* key)
    {
        TWinHotKey& e = window->settings().HOTKEY[size_t(slot)];
        e = {};
        e.COMMAND = QString::fromUtf8(name);
        e.PARAM = QString::fromUtf8(param);
        e.CTRL = ctrl;
        e.ALT = alt;
        e.KEY = QString::fromUtf8(key);
    }

    HotkeyWiring& hotkeys() { return window->hotkeys(); }
    QAction* trayItem(int slot) const
    {
        return window->commands()
            .menu("mnuTrayCapKey")
            ->findChild<QAction*>(QStringLiteral("mnuTrayCapKey%1").arg(slot));
    }

    // Continuous saves go to a folder of their own.
    void saveInto(const QString& folder)
    {
        auto& autoSave = window->settings().AUTOSAVE;
        autoSave.DIR = folder;
        autoSave.SAVETYPE = 10;
        autoSave.FILE = QStringLiteral("shot");
        autoSave.OVERWRITE = true;
    }
    QStringList saved(const QString& folder) const { return QDir(folder).entryList(QDir::Files); }

    FakePlatform platform;
    QStringList messages;
    std::unique_ptr<TfrmMain> window;
    QTemporaryDir temp;
};

} // namespace

TEST_F(HotkeyWiringTest, RegistersCompleteEntriesAndReportsEachFailureByName)
{
    setEntry(0, "Screen", "/C1,/A5", true, true, "P");
    setEntry(1, "NoModifier", "/C1,/A5", false, false, "Q");
    setEntry(2, "NoKey", "/C1,/A5", true, false, "");
    setEntry(3, "Twin", "/C2,/A5", true, true, "P"); // the same keys as slot 0
    setEntry(4, "Taken", "/C1,/A6", true, false, "Q");
    setEntry(20, "ByHand", "/C1,/A6", false, true, "F5");
    platform.takenByOthers.append({HotkeyModControl, KeysymQ});

    // At start, before the window is up, nothing is reported yet; a start to the tray
    // (the window stays hidden) reports in the status bar, never in a box.
    hotkeys().RegisterAllHotkeys();
    EXPECT_EQ(platform.hotkeys.keys().size(), 2);
    EXPECT_EQ(platform.hotkeys.value(200),
              (FakePlatform::Hotkey{HotkeyModControl | HotkeyModAlt, KeysymP}));
    EXPECT_EQ(platform.hotkeys.value(220), (FakePlatform::Hotkey{HotkeyModAlt, 0xffc2}));
    QCoreApplication::processEvents();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'|').toStdString();
    const QString status = window->status().panelText(2);
    EXPECT_TRUE(status.startsWith("「Twin」ホットキーの登録に失敗しました（Ctrl+Alt+P） "
                                  "「Taken」ホットキーの登録に失敗しました（Ctrl+Q） "))
        << status.toStdString();

    // Later passes put all failures into one box that says where to free the keys.
    hotkeys().UnregisterAllHotkeys();
    EXPECT_TRUE(platform.hotkeys.isEmpty());
    messages.clear();
    hotkeys().RegisterAllHotkeys();
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(
        messages[0].startsWith("message: 「Twin」ホットキーの登録に失敗しました（Ctrl+Alt+P）\n"
                               "「Taken」ホットキーの登録に失敗しました（Ctrl+Q）\n\n"))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("デスクトップ環境のキーボードショートカットの設定"));
}

TEST_F(HotkeyWiringTest, PressRunsTheEntryWithTheFlagAndKeepsTheWindowHidden)
{
    setEntry(0, "Preview", "/C1,/A9", true, true, "P");
    setEntry(1, "Missing", "/C2,/A5;/no/such/folder", true, true, "Q");
    hotkeys().RegisterAllHotkeys();
    const WindowId other = platform.addWindow({QRect(5, 5, 100, 80), QRect(5, 5, 100, 80), "x"});
    platform.foreground = other;

    bool flagDuringCapture = false;
    window->captureEngine().wait = [&](int) {
        flagDuringCapture = hotkeys().requests().hotkeyInProgress;
    };
    platform.pressHotkey(201);
    EXPECT_TRUE(flagDuringCapture);
    EXPECT_FALSE(hotkeys().requests().hotkeyInProgress) << "cleared afterwards";
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->document().currentImage().size(), QSize(100, 80));

    platform.pressHotkey(200);
    EXPECT_TRUE(window->isVisible()) << "action 9 shows the picture";
    platform.pressHotkey(199); // not one of ours
    platform.pressHotkey(221);
}

TEST_F(HotkeyWiringTest, TrayMenuListsNamedEntriesAndRunsThemWithoutTheFlag)
{
    window->settings().AUTOSAVE.DIR = QStringLiteral("/home/u");
    setEntry(0, "Screen", "/C1,/A5;/elsewhere", true, true, "P");
    setEntry(1, "", "/C1,/A6", true, true, "Q"); // no name: not listed
    setEntry(2, "Later", "/C3,/A6,/T5", false, false, "R");
    hotkeys().FillTrayHotkeyMenu();
    hotkeys().FillTrayHotkeyMenu(); // refilling does not add items

    EXPECT_EQ(window->commands().menu("mnuTrayCapKey")->actions().size(), 21);
    EXPECT_TRUE(trayItem(0)->isVisible());
    EXPECT_EQ(trayItem(0)->text(), QStringLiteral("Screen [Ctrl+Alt+P]"));
    EXPECT_FALSE(trayItem(0)->icon().isNull());
    EXPECT_FALSE(trayItem(1)->isVisible());
    EXPECT_TRUE(trayItem(2)->isVisible());
    EXPECT_EQ(trayItem(2)->text(), QStringLiteral("Later [（なし）]"));
    EXPECT_FALSE(trayItem(20)->isVisible());
    EXPECT_EQ(window->settings().AUTOSAVE.DIR, QStringLiteral("/home/u"))
        << "listing an entry must not rewrite the save folder";

    bool flagDuringCapture = true;
    window->captureEngine().wait = [&](int) {
        flagDuringCapture = hotkeys().requests().hotkeyInProgress;
    };
    setEntry(0, "Screen", "/C1,/A9", true, true, "P");
    trayItem(0)->trigger();
    EXPECT_FALSE(flagDuringCapture);
    EXPECT_EQ(window->document().currentImage().size(), platform.screen.size());
}

TEST_F(HotkeyWiringTest, CommandLineOverrideIsTakenBackAtExitFieldByField)
{
    saveInto(temp.path());
    window->settings().AUTOSAVE.FILEAFTER = QStringLiteral("_a");
    const QString other = temp.filePath("other");
    QDir().mkpath(other);
    hotkeys().requests().CaptureByHotkey(
        ParseCaptureParam(QStringLiteral("/C1,/A5;") + other + QStringLiteral(";2;cl")), true);
    EXPECT_EQ(saved(other), QStringList{"cl001_a.bmp"});
    // Changed during the run: kept at exit.
    window->settings().AUTOSAVE.FILE = QStringLiteral("mine");

    window->SaveSettings();
    const Settings stored = window->settingsStore().load();
    EXPECT_EQ(stored.AUTOSAVE.FILE, QStringLiteral("mine"));
    EXPECT_EQ(stored.AUTOSAVE.DIR, temp.path());
    EXPECT_EQ(stored.AUTOSAVE.SAVETYPE, 10);
    EXPECT_EQ(stored.AUTOSAVE.FILEAFTER, QStringLiteral("_a"));
    EXPECT_TRUE(stored.AUTOSAVE.OVERWRITE);
}

TEST_F(HotkeyWiringTest, HandedCaptureOverridesHoldForItsRequestOnly)
{
    saveInto(temp.path());
    InstanceWiring laterStarts(*window);
    const QString caller = temp.filePath("caller");
    QDir().mkpath(caller + "/rel");

    EXPECT_EQ(laterStarts.serve({{"/C1", "/A5"}, caller}), RequestResult{});
    EXPECT_TRUE(window->settings().AUTOSAVE.OVERWRITE);
    EXPECT_EQ(laterStarts.serve({{"/C1", "/A5;rel;2;r"}, caller}), RequestResult{});
    EXPECT_EQ(saved(caller + "/rel").size(), 1) << "the caller's folder";
    EXPECT_EQ(window->settings().AUTOSAVE.DIR, temp.path());
    EXPECT_EQ(window->settings().AUTOSAVE.FILE, QStringLiteral("shot"));
    EXPECT_EQ(saved(temp.path()), QStringList{"shot001.png"});
}

TEST_F(HotkeyWiringTest, HandedCaptureUnderAnOpenDialogIsRefusedAsBusy)
{
    saveInto(temp.path());
    InstanceWiring laterStarts(*window);
    window->document().replacePicture(QImage(40, 30, QImage::Format_RGB32));
    QDialog sizeDialog(window.get());
    sizeDialog.setWindowModality(Qt::ApplicationModal);
    sizeDialog.show();
    const RequestResult refused = laterStarts.serve({{"/C1", "/A5"}, temp.path()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.reason, QStringLiteral("ダイアログを開いているため、要求を実行できません。"));
    EXPECT_EQ(laterStarts.serve({{temp.filePath("none.png")}, temp.path()}).exitCode, 1);
    EXPECT_EQ(window->document().currentImage().size(), QSize(40, 30));
    sizeDialog.close();

    // The hotkey list: the previous capture's result must not come back as this one's.
    EXPECT_EQ(laterStarts.serve({{"/C1", "/A5"}, temp.path()}), RequestResult{});
    RequestResult whileListed;
    QTimer::singleShot(0, [&] {
        whileListed = laterStarts.serve({{"/C1", "/A5"}, temp.path()});
        QApplication::activeModalWidget()->close();
    });
    hotkeys().mnuToolHotkeyClick();
    EXPECT_EQ(whileListed.exitCode, 1);
    EXPECT_FALSE(whileListed.reason.isEmpty());
    EXPECT_EQ(saved(temp.path()).size(), 1);
}

TEST_F(HotkeyWiringTest, HandedPictureThatFailsAnswersAtOnceAndShowsTheBoxLater)
{
    InstanceWiring laterStarts(*window);
    const QString broken = temp.filePath("broken.png");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("\x01s") == 2);
    file.close();
    const RequestResult answer = laterStarts.serve({{broken}, temp.path()});
    EXPECT_EQ(answer.exitCode, 1);
    EXPECT_TRUE(answer.reason.contains(broken)) << answer.reason.toStdString();
    EXPECT_TRUE(messages.isEmpty()) << "no box while the caller waits";
    QTest::qWait(20);
    EXPECT_EQ(messages, QStringList{"error: " + answer.reason});
}
