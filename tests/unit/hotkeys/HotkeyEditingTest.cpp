#include "hotkeys/HotkeyEntryRules.h"
#include "hotkeys/HotkeyRows.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

TWinHotKey named(const char* name, const char* key = "P")
{
    TWinHotKey e{};
    e.COMMAND = QString::fromUtf8(name);
    e.PARAM = QStringLiteral("/C1,/A5");
    e.CTRL = true;
    e.KEY = QString::fromUtf8(key);
    return e;
}

QStringList names(const QList<TWinHotKey>& rows)
{
    QStringList result;
    for (const TWinHotKey& row : rows)
        result << row.COMMAND;
    return result;
}

CaptureRequest request(int kind, int action)
{
    CaptureRequest r;
    r.CaptureKind = kind;
    r.AfterAction = action;
    return r;
}

} // namespace

TEST(HotkeyRows, ReadInSlotOrderWrittenBackWithoutGaps)
{
    HotkeyTableSlots table{};
    table[0] = named("a");
    table[3] = named("b");
    table[7] = named("c");
    table[20] = named("by hand");
    table[5].PARAM = QStringLiteral("/C1,/A6"); // no name: a free slot
    QList<TWinHotKey> rows = HotkeyRowsOf(table);
    EXPECT_EQ(names(rows), (QStringList{"a", "b", "c", "by hand"}));

    EXPECT_EQ(MoveHotkeyRow(rows, 0, -1), 0) << "up on the first row";
    EXPECT_EQ(MoveHotkeyRow(rows, 3, +1), 3) << "down on the last row";
    EXPECT_EQ(MoveHotkeyRow(rows, -1, +1), -1) << "no selection";
    EXPECT_EQ(MoveHotkeyRow(rows, 2, -1), 1);
    EXPECT_EQ(names(rows), (QStringList{"a", "c", "b", "by hand"}));

    WriteHotkeyRows(rows, table);
    EXPECT_EQ(table[1].COMMAND, QStringLiteral("c"));
    EXPECT_EQ(table[3].COMMAND, QStringLiteral("by hand"));
    for (int slot = 4; slot < HotkeySlotCount; ++slot) {
        EXPECT_TRUE(table[size_t(slot)].COMMAND.isEmpty()) << slot;
        EXPECT_TRUE(table[size_t(slot)].PARAM.isEmpty()) << slot;
        EXPECT_FALSE(table[size_t(slot)].CTRL) << slot;
    }
}

TEST(HotkeyRows, ReadabilityAndMessageTexts)
{
    EXPECT_TRUE(IsHotkeySlotReadable(named("x", "")));
    EXPECT_TRUE(IsHotkeySlotReadable(named("x", "PrintScreen")));
    EXPECT_FALSE(IsHotkeySlotReadable(named("x", "p"))) << "names are case-sensitive";
    EXPECT_EQ(HotkeyReadFailedText(7),
              QStringLiteral("ホットキー情報の読み込みに失敗しました。\r\n配列番号: 7"));
    EXPECT_EQ(HotkeyDeleteQuestion(named("Shot")),
              QStringLiteral("コマンド名:Shot\r\n\r\nを削除してもよろしいですか？"));
}

TEST(HotkeyEntryRules, RefusalsComeInFieldOrder)
{
    const QString noName = QStringLiteral("コマンド名が入力されていません。");
    const QString noKind = QStringLiteral("キャプチャが選択されていません。");
    const QString noAction = QStringLiteral("後処理が選択されていません。");
    EXPECT_EQ(HotkeyEntryError(QStringLiteral(" \t　"), 0, 0), noName) << "blanks only";
    EXPECT_EQ(HotkeyEntryError(QStringLiteral("x"), 0, 0), noKind);
    EXPECT_EQ(HotkeyEntryError(QStringLiteral("x"), 2, 0), noAction);
    EXPECT_EQ(HotkeyEntryError(QStringLiteral(" x "), 3, 9), QString());
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
    EXPECT_EQ(EditedCaptureParam(QString(), request(1, 0)), QString());

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
    EXPECT_EQ(EditedCaptureParam(QStringLiteral("/C1,/A5,/W"), request(1, 5)),
              QStringLiteral("/C1,/A5"));
}
