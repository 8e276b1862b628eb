#include "hotkeys/HotkeyRows.h"

#include "hotkeys/KeyNames.h"

#include <algorithm>

namespace vistrel {

QList<TWinHotKey> HotkeyRowsOf(const HotkeyTableSlots& table)
{
    QList<TWinHotKey> rows;
    for (const TWinHotKey& entry : table)
        if (!entry.COMMAND.isEmpty())
            rows.append(entry);
    return rows;
}

void WriteHotkeyRows(const QList<TWinHotKey>& rows, HotkeyTableSlots& table)
{
    table.fill(TWinHotKey{});
    const qsizetype count = std::min<qsizetype>(rows.size(), HotkeySlotCount);
    for (qsizetype i = 0; i < count; ++i)
        table[size_t(i)] = rows[i];
}

int MoveHotkeyRow(QList<TWinHotKey>& rows, int row, int step)
{
    const int target = row + step;
    if (row < 0 || row >= rows.size() || target < 0 || target >= rows.size())
        return row;
    rows.swapItemsAt(row, target);
    return target;
}

bool IsHotkeySlotReadable(const TWinHotKey& entry)
{
    return entry.KEY.isEmpty() || KeyNameToKeysym(entry.KEY) != 0;
}

QString HotkeyReadFailedText(int slot)
{
    return QStringLiteral("ホットキー情報の読み込みに失敗しました。\r\n配列番号: ") +
           QString::number(slot);
}

QString HotkeyLimitText()
{
    return QStringLiteral("登録可能なホットキー情報は最大２０件です。");
}

QString HotkeyDeleteQuestion(const TWinHotKey& entry)
{
    return QStringLiteral("コマンド名:") + entry.COMMAND + QStringLiteral("\r\n\r\n") +
           QStringLiteral("を削除してもよろしいですか？");
}

} // namespace vistrel
