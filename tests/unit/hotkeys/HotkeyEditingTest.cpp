#include "hotkeys/HotkeyEntryRules.h"
#include "hotkeys/HotkeyRows.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

CaptureRequest request(int kind, int action)
{
    CaptureRequest r;
    r.CaptureKind = kind;
    r.AfterAction = action;
    return r;
}

} // namespace

TEST(HotkeyEntryRules, RefusalsInFieldOrderAndSlotsTheListCannotShow)
{
    EXPECT_EQ(HotkeyEntryError(QStringLiteral(" \t　"), 0, 0),
              QStringLiteral("コマンド名が入力されていません。"));
    EXPECT_EQ(HotkeyEntryError(QStringLiteral("x"), 0, 0),
              QStringLiteral("キャプチャが選択されていません。"));
    EXPECT_EQ(HotkeyEntryError(QStringLiteral("x"), 2, 0),
              QStringLiteral("後処理が選択されていません。"));
    EXPECT_EQ(HotkeyEntryError(QStringLiteral(" x "), 3, 9), QString());

    TWinHotKey entry{};
    EXPECT_TRUE(IsHotkeySlotReadable(entry)) << "no key";
    entry.KEY = QStringLiteral("p");
    EXPECT_FALSE(IsHotkeySlotReadable(entry)) << "names are case-sensitive";
    entry.COMMAND = QStringLiteral("Shot");
    EXPECT_EQ(HotkeyDeleteQuestion(entry),
              QStringLiteral("コマンド名:Shot\r\n\r\nを削除してもよろしいですか？"));
}

TEST(HotkeyEntryRules, EditedParamKeepsWhatTheEditorCannotShowWhileItApplies)
{
    CaptureRequest timed = request(1, 6);
    timed.Mouse = true;
    timed.TimerOn = true;
    timed.TimerSeconds = 5;
    timed.StayResident = true;
    timed.PointMode = 2;
    EXPECT_EQ(EditedCaptureParam(QString(), timed), QStringLiteral("/C1,/A6,/M,/T5"));

    const QString handWritten = QStringLiteral("/C3,/W2,/A5;/shots;10;shot;_x,/U");
    EXPECT_EQ(EditedCaptureParam(handWritten, request(3, 5)),
              QStringLiteral("/C3,/A5;/shots;10;shot;_x,/W2"));
    EXPECT_EQ(EditedCaptureParam(handWritten, request(1, 5)),
              QStringLiteral("/C1,/A5;/shots;10;shot;_x"))
        << "the point mode is only for picking a window";
    EXPECT_EQ(EditedCaptureParam(handWritten, request(3, 6)), QStringLiteral("/C3,/A6,/W2"));
    EXPECT_EQ(EditedCaptureParam(QStringLiteral("/C1,/A5;/d;bad;name"), request(1, 5)),
              QStringLiteral("/C1,/A5;/d;;name"))
        << "a save type that was never valid stays absent";
}
