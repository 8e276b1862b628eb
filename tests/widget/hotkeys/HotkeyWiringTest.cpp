#include "app/HotkeyWiring.h"
#include "app/CommandMap.h"
#include "app/TfrmMain.h"
#include "edit/StatusPanels.h"
#include "hotkeys/HotkeyTable.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>

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

    FakePlatform platform;
    QStringList messages;
    std::unique_ptr<TfrmMain> window;
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
