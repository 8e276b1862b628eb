#include "app/CommandMap.h"
#include "app/HotkeyWiring.h"
#include "app/TfrmMain.h"
#include "hotkeys/HotkeyCommandLine.h"
#include "hotkeys/TfrmHotKey.h"
#include "hotkeys/TfrmKeyEdit.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace vistrel;

namespace {

// Runs `step` on the modal dialog of type T once it is open.
template <typename T>
void whenOpen(std::function<void(T&)> step)
{
    QTimer::singleShot(0, [step = std::move(step)] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "the expected dialog is not open";
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        step(*dialog);
    });
}

template <typename T = QWidget>
T* child(QWidget& dialog, const char* name)
{
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void press(QWidget& dialog, const char* button)
{
    // The list's own buttons first: the editor inside it has an OK of its own.
    auto* own =
        dialog.findChild<QPushButton*>(QString::fromLatin1(button), Qt::FindDirectChildrenOnly);
    (own != nullptr ? own : child<QPushButton>(dialog, button))->click();
}

// Fills the editor and presses OK.
void fillEditor(TfrmKeyEdit& editor, const char* name, int kind, int action, const char* key)
{
    child<QLineEdit>(editor, "edtCommand")->setText(QString::fromUtf8(name));
    child<QComboBox>(editor, "cboCapture")->setCurrentIndex(kind - 1);
    child<QComboBox>(editor, "cboAction")->setCurrentIndex(action - 1);
    child<QCheckBox>(editor, "chkCtrl")->setChecked(true);
    child<QComboBox>(editor, "cboKey")->setCurrentText(QString::fromUtf8(key));
    press(editor, "butOK");
}

void answerDelete(QMessageBox::StandardButton answer)
{
    whenOpen<QMessageBox>([answer](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("削除確認メッセージ"));
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        box.button(answer)->click();
    });
}

TWinHotKey entry(const char* name, const char* param, const char* key)
{
    TWinHotKey e{};
    e.COMMAND = QString::fromUtf8(name);
    e.PARAM = QString::fromUtf8(param);
    e.ALT = true;
    e.KEY = QString::fromUtf8(key);
    return e;
}

QStringList rowTexts(QWidget& list)
{
    QStringList texts;
    auto* view = child<QTreeWidget>(list, "lsvHotkey");
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        texts << view->topLevelItem(i)->text(0) + u'|' + view->topLevelItem(i)->text(1);
    return texts;
}

void select(QWidget& list, int row)
{
    auto* view = child<QTreeWidget>(list, "lsvHotkey");
    view->setCurrentItem(view->topLevelItem(row));
}

class HotkeyDialogs : public testing::Test {
protected:
    HotkeyDialogs()
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
    }
    ~HotkeyDialogs() override { MessageBox::setHandler({}); }

    QStringList messages;
};

} // namespace

TEST_F(HotkeyDialogs, EditorRefusesInOrderThenStoresTheEntry)
{
    TfrmKeyEdit editor;
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("ホットキー情報"));
    TWinHotKey edited = entry("old", "/C,/A5;/shots;10", "k");
    whenOpen<TfrmKeyEdit>([this](TfrmKeyEdit& dialog) {
        EXPECT_EQ(child<QComboBox>(dialog, "cboCapture")->currentIndex(), -1) << "bare /C";
        EXPECT_EQ(child<QComboBox>(dialog, "cboAction")->currentIndex(), 4);
        auto* key = child<QComboBox>(dialog, "cboKey");
        EXPECT_EQ(key->currentText(), QStringLiteral("(なし)")) << "not a key name";
        EXPECT_EQ(key->count(), 76);
        EXPECT_FALSE(child(dialog, "edtTime")->isEnabled());
        child<QCheckBox>(dialog, "chkTimeOn")->click();
        EXPECT_TRUE(child(dialog, "edtTime")->isEnabled());
        child<QSpinBox>(dialog, "edtTime")->setValue(5);
        child<QCheckBox>(dialog, "chkMouse")->click();
        child<QCheckBox>(dialog, "chkShift")->click();

        child<QLineEdit>(dialog, "edtCommand")->setText(QStringLiteral("  "));
        press(dialog, "butOK");
        child<QLineEdit>(dialog, "edtCommand")->setText(QStringLiteral(" Shot "));
        child<QComboBox>(dialog, "cboAction")->setCurrentIndex(-1);
        press(dialog, "butOK");
        child<QComboBox>(dialog, "cboCapture")->setCurrentIndex(0);
        press(dialog, "butOK");
        EXPECT_TRUE(dialog.isVisible()) << "refusals leave the editor open";
        EXPECT_EQ(messages, (QStringList{QStringLiteral("コマンド名が入力されていません。"),
                                         QStringLiteral("キャプチャが選択されていません。"),
                                         QStringLiteral("後処理が選択されていません。")}));
        child<QComboBox>(dialog, "cboAction")->setCurrentIndex(5);
        key->setCurrentText(QStringLiteral("PrintScreen"));
        press(dialog, "butOK");
    });
    ASSERT_TRUE(editor.EditHotkeyEntry(edited));
    EXPECT_EQ(edited.COMMAND, QStringLiteral(" Shot ")) << "stored as typed";
    EXPECT_EQ(edited.PARAM, QStringLiteral("/C1,/A6,/M,/T5"));
    EXPECT_TRUE(edited.ALT);
    EXPECT_TRUE(edited.SHIFT);
    EXPECT_FALSE(edited.CTRL);
    EXPECT_EQ(edited.KEY, QStringLiteral("PrintScreen"));

    whenOpen<TfrmKeyEdit>([](TfrmKeyEdit& dialog) {
        EXPECT_TRUE(child(dialog, "edtTime")->isEnabled());
        child<QComboBox>(dialog, "cboKey")->setCurrentIndex(0);
        press(dialog, "butCancel");
    });
    EXPECT_FALSE(editor.EditHotkeyEntry(edited));
    EXPECT_EQ(edited.KEY, QStringLiteral("PrintScreen")) << "cancel keeps the entry";
}

TEST_F(HotkeyDialogs, ListEditsAWorkingCopyAndOkWritesItCompactly)
{
    HotkeyTableSlots table{};
    table[0] = entry("a", "/C1,/A5", "P");
    table[3] = entry("b", "/C2,/A6,/T3", "");
    table[7] = entry("c", "/C3,/A9", "p");
    int helpContext = 0;
    TfrmHotKey list(QList<QIcon>(6, QIcon()), [&](int context) { helpContext = context; });
    EXPECT_EQ(list.windowTitle(), QStringLiteral("ホットキーの設定"));

    whenOpen<TfrmHotKey>([&](TfrmHotKey& dialog) {
        EXPECT_EQ(messages, QStringList{QStringLiteral(
                                "ホットキー情報の読み込みに失敗しました。\r\n配列番号: 7")});
        EXPECT_EQ(rowTexts(dialog), (QStringList{"a|Alt+P", "b|（なし）", "c|Alt+p"}));
        select(dialog, 2);
        press(dialog, "butUp");
        press(dialog, "butUp");
        press(dialog, "butUp"); // already first
        EXPECT_EQ(rowTexts(dialog).first(), QStringLiteral("c|Alt+p"));
        press(dialog, "butDown");
        EXPECT_EQ(rowTexts(dialog), (QStringList{"a|Alt+P", "c|Alt+p", "b|（なし）"}))
            << "the moved row stayed selected";

        answerDelete(QMessageBox::No);
        press(dialog, "butDelete");
        EXPECT_EQ(rowTexts(dialog).size(), 3);
        answerDelete(QMessageBox::Yes);
        press(dialog, "butDelete"); // "c" is still selected
        EXPECT_EQ(rowTexts(dialog), (QStringList{"a|Alt+P", "b|（なし）"}));

        select(dialog, 0);
        whenOpen<TfrmKeyEdit>([](TfrmKeyEdit& editor) {
            EXPECT_EQ(child<QLineEdit>(editor, "edtCommand")->text(), QStringLiteral("a"));
            fillEditor(editor, "a2", 2, 6, "F5");
        });
        press(dialog, "butEdit");
        whenOpen<TfrmKeyEdit>([](TfrmKeyEdit& editor) {
            EXPECT_TRUE(child<QLineEdit>(editor, "edtCommand")->text().isEmpty()) << "empty entry";
            fillEditor(editor, "new", 1, 5, "K");
        });
        press(dialog, "butAdd");
        EXPECT_EQ(rowTexts(dialog), (QStringList{"a2|Ctrl+Alt+F5", "b|（なし）", "new|Ctrl+K"}));
        press(dialog, "butHelp");
        press(dialog, "butOK");
    });
    ASSERT_TRUE(list.EditHotkeyList(table));
    EXPECT_EQ(helpContext, 54);
    EXPECT_EQ(table[0].PARAM, QStringLiteral("/C2,/A6"));
    EXPECT_EQ(table[1].COMMAND, QStringLiteral("b"));
    EXPECT_EQ(table[2].COMMAND, QStringLiteral("new"));
    EXPECT_EQ(table[2].PARAM, QStringLiteral("/C1,/A5"));
    EXPECT_TRUE(table[3].COMMAND.isEmpty());
    EXPECT_TRUE(table[7].COMMAND.isEmpty());

    // Cancel leaves the table, and the next opening shows no trace of the edits.
    const HotkeyTableSlots before = table;
    whenOpen<TfrmHotKey>([](TfrmHotKey& dialog) {
        select(dialog, 0);
        answerDelete(QMessageBox::Yes);
        press(dialog, "butDelete");
        press(dialog, "butCancel");
    });
    EXPECT_FALSE(list.EditHotkeyList(table));
    EXPECT_EQ(table[0].COMMAND, before[0].COMMAND);
    whenOpen<TfrmHotKey>([](TfrmHotKey& dialog) {
        EXPECT_EQ(rowTexts(dialog).size(), 3);
        press(dialog, "butCancel");
    });
    EXPECT_FALSE(list.EditHotkeyList(table));
}

TEST_F(HotkeyDialogs, AddStopsAtTwentyRows)
{
    HotkeyTableSlots table{};
    table.fill(entry("e", "/C1,/A5", ""));
    TfrmHotKey list(QList<QIcon>(6, QIcon()), {});
    whenOpen<TfrmHotKey>([&](TfrmHotKey& dialog) {
        EXPECT_EQ(rowTexts(dialog).size(), 21) << "slot 20 filled by hand is listed too";
        press(dialog, "butAdd"); // no editor opens: it would block here
        EXPECT_EQ(messages,
                  QStringList{QStringLiteral("登録可能なホットキー情報は最大２０件です。")});
        press(dialog, "butOK");
    });
    ASSERT_TRUE(list.EditHotkeyList(table));
    EXPECT_EQ(table[20].COMMAND, QStringLiteral("e"));
}

TEST_F(HotkeyDialogs, MenuReleasesTheHotkeysWhileTheListIsOpenAndRegistersAfter)
{
    FakePlatform platform;
    QDir().mkpath(platform.settingsDir);
    TfrmMain window(platform);
    window.settings().HOTKEY[0] = entry("held", "/C1,/A5", "P");
    window.hotkeys().RegisterAllHotkeys();
    ASSERT_EQ(platform.hotkeys.size(), 1);
    platform.takenByOthers.append({HotkeyModControl, 0x6b}); // Ctrl+K

    whenOpen<TfrmHotKey>([&](TfrmHotKey& dialog) {
        EXPECT_TRUE(platform.hotkeys.isEmpty()) << "a combination pressed now is typed";
        whenOpen<TfrmKeyEdit>([](TfrmKeyEdit& editor) { fillEditor(editor, "new", 1, 5, "K"); });
        press(dialog, "butAdd");
        press(dialog, "butOK");
    });
    window.commands().action("mnuToolHotkey")->trigger();
    EXPECT_EQ(platform.hotkeys.keys(), QList<int>{200});
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(
        messages[0].startsWith(QStringLiteral("「new」ホットキーの登録に失敗しました（Ctrl+K）")))
        << messages[0].toStdString();
    QAction* trayItem = window.commands()
                            .menu("mnuTrayCapKey")
                            ->findChild<QAction*>(QStringLiteral("mnuTrayCapKey1"));
    ASSERT_NE(trayItem, nullptr);
    EXPECT_EQ(trayItem->text(), QStringLiteral("new [Ctrl+K]"));

    // The tray item opens the same list; Cancel registers the table again as it was.
    EXPECT_TRUE(window.commands().action("mnuTrayHotkey")->isEnabled());
    whenOpen<TfrmHotKey>([](TfrmHotKey& dialog) { press(dialog, "butCancel"); });
    window.commands().action("mnuTrayHotkey")->trigger();
    EXPECT_EQ(platform.hotkeys.keys(), QList<int>{200});
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.size(), 2) << "the taken combination is reported at every pass";
}

TEST_F(HotkeyDialogs, WithoutSystemHotkeysEachEntryShowsTheCommandToBindWithACopyButton)
{
    FakePlatform platform;
    platform.fakeAbilities.systemHotkeys = false;
    QDir().mkpath(platform.settingsDir);
    TfrmMain window(platform);
    window.settings().HOTKEY[0] = entry("screen", "/C1,/A5", "P");
    window.settings().HOTKEY[1] = entry("to folder", "/C2,/A5;/my shots;PNG", "");
    window.hotkeys().RegisterAllHotkeys();
    QCoreApplication::processEvents();
    EXPECT_TRUE(platform.hotkeys.isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << "said in the dialog, not in a box at every start";

    const QString program = BoundCommandProgram();
    whenOpen<TfrmHotKey>([&](TfrmHotKey& dialog) {
        EXPECT_TRUE(child<QLabel>(dialog, "lblCommandNote")->isVisibleTo(&dialog));
        auto* view = child<QTreeWidget>(dialog, "lsvHotkey");
        EXPECT_EQ(view->topLevelItem(0)->text(2), program + " /C1 /A5");
        EXPECT_EQ(view->topLevelItem(1)->text(2), program + " /C2 '/A5;/my shots;PNG'");
        select(dialog, 1);
        press(dialog, "butCopyCommand");
        EXPECT_EQ(QGuiApplication::clipboard()->text(), view->topLevelItem(1)->text(2));

        // The editor follows the fields as they change.
        select(dialog, 0);
        whenOpen<TfrmKeyEdit>([&](TfrmKeyEdit& editor) {
            auto* command = child<QLineEdit>(editor, "edtCommandLine");
            EXPECT_EQ(command->text(), program + " /C1 /A5");
            child<QComboBox>(editor, "cboAction")->setCurrentIndex(5);
            child<QCheckBox>(editor, "chkMouse")->setChecked(true);
            EXPECT_EQ(command->text(), program + " /C1 /A6 /M");
            press(editor, "butCopyCommandLine");
            EXPECT_EQ(QGuiApplication::clipboard()->text(), command->text());
            press(editor, "butCancel");
        });
        press(dialog, "butEdit");
        press(dialog, "butCancel");
    });
    window.commands().action("mnuToolHotkey")->trigger();
}
