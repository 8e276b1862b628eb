#include "app/CommandMap.h"
#include "app/TfrmMain.h"
#include "app/TimerWiring.h"
#include "capture/TfrmTime.h"
#include "edit/ImageArea.h"
#include "edit/StatusPanels.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace vistrel;

namespace {

// Edits the dialog once it runs modally, then presses the named button.
void whenDialogOpens(std::function<void(TfrmTime&)> edit, const char* button)
{
    QTimer::singleShot(0, [edit = std::move(edit), button] {
        auto* dialog = qobject_cast<TfrmTime*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        edit(*dialog);
        dialog->findChild<QPushButton*>(button)->click();
    });
}

void editAll(TfrmTime& dialog)
{
    dialog.findChild<QSpinBox*>("udnTime")->setValue(42);
    dialog.findChild<QCheckBox*>("chkCntDown")->setChecked(false);
    dialog.findChild<QComboBox*>("cboPos")->setCurrentIndex(3);
}

} // namespace

TEST(TimerSettings, LayoutFocusAndTheListFollowingTheCheckBox)
{
    TfrmTime dialog(5, true, 2);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("タイマー設定"));
    EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(), QStringLiteral("開始秒(&S)"));
    auto* spin = dialog.findChild<QSpinBox*>("udnTime");
    EXPECT_EQ(spin->value(), 5);
    EXPECT_EQ(spin->minimum(), 1);
    EXPECT_EQ(spin->maximum(), 60);
    EXPECT_FALSE(spin->wrapping());
    auto* check = dialog.findChild<QCheckBox*>("chkCntDown");
    EXPECT_EQ(check->text(), QStringLiteral("カウントダウン表示する(&D)"));
    auto* list = dialog.findChild<QComboBox*>("cboPos");
    EXPECT_EQ(list->count(), 5);
    EXPECT_EQ(list->itemText(4), QStringLiteral("中央"));
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_TRUE(list->isEnabled());
    check->click();
    EXPECT_FALSE(list->isEnabled());
    check->click();
    EXPECT_TRUE(list->isEnabled());

    dialog.show();
    QWidget* focused = dialog.focusWidget();
    EXPECT_TRUE(focused == spin || (focused && focused->parentWidget() == spin));

    TfrmTime hidden(1, false, 2);
    EXPECT_FALSE(hidden.findChild<QComboBox*>("cboPos")->isEnabled());
}

TEST(TimerSettings, OkStoresAllThreeAndCancelNothing)
{
    int seconds = 7;
    bool show = true;
    int position = 1;
    whenDialogOpens(editAll, "butCancel");
    EXPECT_FALSE(EditTimerSettings(nullptr, seconds, show, position));
    EXPECT_EQ(seconds, 7);
    EXPECT_TRUE(show);
    EXPECT_EQ(position, 1);

    whenDialogOpens(editAll, "butOK");
    EXPECT_TRUE(EditTimerSettings(nullptr, seconds, show, position));
    EXPECT_EQ(seconds, 42);
    EXPECT_FALSE(show);
    EXPECT_EQ(position, 3);
}

TEST(TimerSettings, ValuesOutOfRangeOpenWithinIt)
{
    int seconds = 600;
    bool show = true;
    int position = 9;
    whenDialogOpens([](TfrmTime&) {}, "butOK");
    EXPECT_TRUE(EditTimerSettings(nullptr, seconds, show, position));
    EXPECT_EQ(seconds, 60);
    EXPECT_EQ(position, 0);
}

TEST(TimerSettings, MainWindowCopiesTheSecondsIntoSettingAndSpin)
{
    FakePlatform platform;
    QDir().mkpath(platform.settingsDir);
    TfrmMain window(platform);
    EXPECT_TRUE(bool(window.captureEngine().runCountdown));
    whenDialogOpens(
        [](TfrmTime& dialog) {
            dialog.findChild<QSpinBox*>("udnTime")->setValue(60);
            dialog.findChild<QComboBox*>("cboPos")->setCurrentIndex(4);
        },
        "butOK");
    window.commands().action("mnuToolTimerSet")->trigger();
    EXPECT_EQ(window.settings().TIMER.MINUTE, 60);
    EXPECT_EQ(window.settings().TIMER.POSITION, 4);
    EXPECT_EQ(window.udownTime()->value(), 60);
    EXPECT_FALSE(window.imageArea().Memo1()->isVisibleTo(&window))
        << "only a click on the spin's arrows opens the trace box";

    whenDialogOpens([](TfrmTime& dialog) { dialog.findChild<QSpinBox*>("udnTime")->setValue(9); },
                    "butCancel");
    window.commands().action("mnuToolTimerSet")->trigger();
    EXPECT_EQ(window.settings().TIMER.MINUTE, 60);
    EXPECT_EQ(window.udownTime()->value(), 60);
}

TEST(TimerSettings, EscapeDuringTheCountdownCallsTheCaptureOff)
{
    FakePlatform platform;
    QDir().mkpath(platform.settingsDir);
    TfrmMain window(platform);
    platform.escapeDown = true;
    EXPECT_FALSE(window.captureEngine().runCountdown(60000));
    EXPECT_FALSE(platform.watchingEscape) << "the watch outlived the countdown";
    window.captureEngine().options.TimerOn = true;
    window.captureEngine().options.TimerSeconds = 60;
    EXPECT_EQ(window.captureEngine().CaptureScreen(1), 0);
}

TEST(TimerSettings, TheTrayItemCallsATimerCaptureOffAsTheCloseButtonDoes)
{
    FakePlatform platform;
    QDir().mkpath(platform.settingsDir);
    TfrmMain window(platform);
    window.showTrayIcon();
    window.settings().TIMER.MINUTE = 60;
    QAction* stop = window.commands().action("mnuTrayCapStop");
    QAction* open = window.commands().action("mnuTrayOpen");
    EXPECT_FALSE(stop->isVisible()) << "offered only during a countdown";

    // With the countdown window and without it (a plain wait).
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        window.settings().TIMER.SHOW = shown;
        bool trayDuringCountdown = false;
        bool othersHidden = false;
        QTimer::singleShot(50, [&] {
            trayDuringCountdown = window.trayIcon()->isVisible();
            othersHidden = !open->isVisible();
            Q_EMIT window.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
            EXPECT_FALSE(window.isVisible()) << "a double click showed the window";
            stop->trigger();
        });
        window.commands().action("mnuTrayTimerDeskTop")->trigger();

        EXPECT_TRUE(trayDuringCountdown);
        EXPECT_TRUE(othersHidden) << "nothing else is to run during the capture";
        EXPECT_FALSE(window.timer().countdownRunning());
        EXPECT_EQ(window.status().panelText(2), QStringLiteral("キャプチャ処理が中断されました"));
        EXPECT_TRUE(window.document().tabs().isEmpty()) << "no picture replaced";
        EXPECT_TRUE(window.trayIcon()->isVisible());
        EXPECT_FALSE(stop->isVisible());
        EXPECT_TRUE(open->isVisible());
    }
}
