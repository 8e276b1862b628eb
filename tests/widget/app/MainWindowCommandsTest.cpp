#include "app/CommandMap.h"
#include "app/TfrmMain.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace vistrel;

namespace {

class MainWindowCommandsTest : public testing::Test {
protected:
    MainWindowCommandsTest() { QDir().mkpath(platform.settingsDir); }

    QString iniPath() const { return platform.settingsDir + QStringLiteral("/Vist.ini"); }

    void writeIni(const QByteArray& text)
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    // The value of KEY in [SECTION] of the settings file as it is now.
    QString iniValue(const QString& section, const QString& key) const
    {
        QFile file(iniPath());
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("<no file>");
        QString current;
        for (QString line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            line = line.trimmed();
            if (line.startsWith(u'['))
                current = line.mid(1, line.indexOf(u']') - 1);
            else if (current == section && line.startsWith(key + u'='))
                return line.mid(key.size() + 1);
        }
        return QStringLiteral("<missing>");
    }

    TfrmMain& open()
    {
        window = std::make_unique<TfrmMain>(platform);
        return *window;
    }

    QAction* action(const char* name) const { return window->commands().action(name); }
    QComboBox* combo() const { return window->findChild<QComboBox*>("cboAfterAct"); }

    // The after-capture items that carry a check mark, by tag.
    QList<int> checkedAfterActions() const
    {
        QList<int> checked;
        for (int tag = 0; tag < 9; ++tag)
            if (action(QStringLiteral("mnuAfterAct%1").arg(tag).toUtf8())->isChecked())
                checked << tag;
        return checked;
    }

    FakePlatform platform;
    std::unique_ptr<TfrmMain> window;
};

struct Toggle {
    const char* item;
    const char* button;
};

// Each check item with the toolbar button that must show the same state.
const Toggle Toggles[] = {
    {"mnuCapClient", "tButCapClientRect"}, {"mnuCapMouse", "tButCapMouse"},
    {"mnuCapTrim", "tButCapTrim"},         {"mnuHyojiFileLst", "tButFileLst"},
    {"mnuEditRangeOver", "tEdtRangeOver"},
};

} // namespace

TEST_F(MainWindowCommandsTest, TogglesAndTheirButtonsAlwaysAgree)
{
    writeIni("[MAIN]\nCLIENT=1\nMOUSE=0\nTRIM=1\n");
    open();
    const auto expectAgreement = [&] {
        for (const Toggle& t : Toggles) {
            auto* button = window->findChild<QToolButton*>(t.button);
            ASSERT_NE(button, nullptr) << t.button;
            EXPECT_TRUE(button->isCheckable()) << t.button;
            EXPECT_EQ(button->isChecked(), action(t.item)->isChecked()) << t.button;
        }
    };
    EXPECT_TRUE(action("mnuCapClient")->isChecked());
    EXPECT_FALSE(action("mnuCapMouse")->isChecked());
    EXPECT_TRUE(action("mnuCapTrim")->isChecked());
    expectAgreement();

    // From the menu and from the button, twice each, in turns.
    for (int round = 0; round < 2; ++round) {
        action("mnuCapClient")->trigger();
        window->findChild<QToolButton*>("tButCapMouse")->click();
        action("mnuCapTrim")->trigger();
        window->findChild<QToolButton*>("tButCapClientRect")->click();
        expectAgreement();
    }
    EXPECT_TRUE(window->settings().MAIN.CLIENT);
    EXPECT_FALSE(window->settings().MAIN.MOUSE);
    EXPECT_TRUE(window->settings().MAIN.TRIM);

    action("mnuCapMouse")->trigger();
    expectAgreement();
    window->mnuFileExitClick();
    EXPECT_EQ(iniValue("MAIN", "CLIENT"), "1");
    EXPECT_EQ(iniValue("MAIN", "MOUSE"), "1");
    EXPECT_EQ(iniValue("MAIN", "TRIM"), "1");
}

TEST_F(MainWindowCommandsTest, AfterActionItemsAndBoxStayInStep)
{
    writeIni("[MAIN]\nAFTERACTION=3\n");
    open();
    ASSERT_NE(combo(), nullptr);
    ASSERT_EQ(combo()->count(), 9);
    EXPECT_EQ(combo()->currentIndex(), 3);
    EXPECT_EQ(checkedAfterActions(), QList<int>{3});

    // Every radio item, the last one (GIF) included, becomes the only choice.
    for (int tag : {4, 0, 8, 2, 6, 1, 5, 7, 3}) {
        action(QStringLiteral("mnuAfterAct%1").arg(tag).toUtf8())->trigger();
        EXPECT_EQ(combo()->currentIndex(), tag);
        EXPECT_EQ(checkedAfterActions(), QList<int>{tag});
        EXPECT_EQ(window->settings().MAIN.AFTERACTION, tag);
    }
    // Choosing the checked item again keeps it.
    action("mnuAfterAct3")->trigger();
    EXPECT_EQ(checkedAfterActions(), QList<int>{3});

    // The box, worked from the keyboard as a user would.
    QTest::keyClick(combo(), Qt::Key_Home);
    EXPECT_EQ(checkedAfterActions(), QList<int>{0});
    for (int expected = 1; expected < 9; ++expected) {
        QTest::keyClick(combo(), Qt::Key_Down);
        EXPECT_EQ(combo()->currentIndex(), expected);
        EXPECT_EQ(checkedAfterActions(), QList<int>{expected});
        EXPECT_EQ(window->settings().MAIN.AFTERACTION, expected);
    }
    QTest::keyClick(combo(), Qt::Key_Up);
    EXPECT_EQ(checkedAfterActions(), QList<int>{7});

    window->mnuFileExitClick();
    EXPECT_EQ(iniValue("MAIN", "AFTERACTION"), "7");
}

TEST_F(MainWindowCommandsTest, StoredActionOutOfRangeSelectsNothingAndIsSavedAsMinusOne)
{
    for (const char* stored : {"9", "-1", "-5", "2147483647"}) {
        SCOPED_TRACE(stored);
        writeIni(QByteArray("[MAIN]\nAFTERACTION=") + stored + "\n");
        open();
        EXPECT_EQ(combo()->currentIndex(), -1);
        EXPECT_TRUE(checkedAfterActions().isEmpty());
        EXPECT_EQ(window->settings().MAIN.AFTERACTION, -1);
        window->mnuFileExitClick();
        EXPECT_EQ(iniValue("MAIN", "AFTERACTION"), "-1");
        window.reset();
    }
}

TEST_F(MainWindowCommandsTest, TimerSpinShowsTheStoredSecondsAndWritesThemBack)
{
    writeIni("[TIMER]\nMINUTE=59\n");
    open();
    auto* spin = window->findChild<QSpinBox*>("udownTime");
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->value(), 59);
    EXPECT_EQ(spin->minimum(), 1);
    EXPECT_EQ(spin->maximum(), 60);
    spin->stepUp();
    spin->stepUp(); // no wrap: stays at the top
    EXPECT_EQ(spin->value(), 60);
    EXPECT_EQ(window->settings().TIMER.MINUTE, 60);
    spin->setValue(1);
    spin->stepDown();
    EXPECT_EQ(window->settings().TIMER.MINUTE, 1);
    window->mnuFileExitClick();
    EXPECT_EQ(iniValue("TIMER", "MINUTE"), "1");
}

TEST_F(MainWindowCommandsTest, CommandsOfLaterDialogsAreDisabledAndTheShellsAreEnabled)
{
    open();
    for (const char* built :
         {"mnuEditMozaic",     "mnuEditColor",  "mnuFileExit",   "mnuCapDeskTop", "mnuCapActive",
          "mnuCapWindow",      "mnuCapClient",  "mnuCapMouse",   "mnuCapTrim",    "mnuAfterAct0",
          "mnuAfterAct8",      "mnuHelpAbout",  "mnuTrayOpen",   "mnuTrayCancel", "mnuTrayExit",
          "mnuTrayCapDeskTop", "mnuToolHotkey", "mnuTrayHotkey", "mnuToolOption", "mnuTrayOption"})
        EXPECT_TRUE(action(built)->isEnabled()) << built;
    // The cursor submenu and drop-down hold the grid of cursors, a submenu with built
    // items and the hotkey submenu filled later stay.
    for (const char* cursors : {"mnuEditHCur", "mnuPopHCur"})
        EXPECT_NE(window->commands().menu(cursors)->findChild<QWidget*>("cursorGrid"), nullptr);
    EXPECT_TRUE(window->commands().menu("mnuEditHCur")->menuAction()->isEnabled());
    EXPECT_TRUE(window->findChild<QToolButton*>("tButEdtHCur")->isEnabled());
    EXPECT_TRUE(window->commands().menu("mnuRotate")->menuAction()->isEnabled());
    EXPECT_TRUE(window->commands().menu("mnuTrayCapKey")->menuAction()->isEnabled());
}

TEST_F(MainWindowCommandsTest, StoredDottedLineIsCheckedThoughHiddenAndTheChoiceIsSaved)
{
    writeIni("[MAIN]\nLINEWIDTH=7\nLINECOLOR=255\n");
    open();
    EXPECT_TRUE(action("mnuLinedot7")->isChecked());
    EXPECT_FALSE(action("mnuLinedot7")->isVisible());
    EXPECT_TRUE(action("mnuLinedot4")->isVisible());
    EXPECT_TRUE(action("mnuEditMozaic")->isEnabled());
    action("mnuLinedot2")->trigger();
    EXPECT_TRUE(action("mnuLinedot2")->isChecked());
    EXPECT_FALSE(action("mnuLinedot7")->isChecked());
    window->mnuFileExitClick();
    EXPECT_EQ(iniValue("MAIN", "LINEWIDTH"), "2");
    EXPECT_EQ(iniValue("MAIN", "LINECOLOR"), "255");
}

TEST_F(MainWindowCommandsTest, CommandsTheWindowSystemCannotBackAreDisabledWithTheReason)
{
    platform.fakeAbilities.pickWindow = false;
    platform.fakeAbilities.pointerInPicture = false;
    platform.fakeAbilities.hint = QStringLiteral("理由");
    open();
    for (const char* name : {"mnuCapWindow", "mnuTimerWindow", "mnuTrayCapWindow", "mnuCapMouse"}) {
        EXPECT_FALSE(action(name)->isEnabled()) << name;
        EXPECT_EQ(action(name)->toolTip(), QStringLiteral("理由")) << name;
    }
    EXPECT_TRUE(action("mnuCapActive")->isEnabled());
    EXPECT_TRUE(action("mnuCapDeskTop")->isEnabled());
}
