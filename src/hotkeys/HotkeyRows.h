#pragma once

#include "hotkeys/HotkeyTable.h"

#include <QList>
#include <QString>

#include <array>

namespace vistrel {

using HotkeyTableSlots = std::array<TWinHotKey, HotkeySlotCount>;

// The list dialog adds no more than this many entries.
inline constexpr int MaxHotkeyRows = 20;

// The named entries of the table in slot order: the rows of the list dialog.
QList<TWinHotKey> HotkeyRowsOf(const HotkeyTableSlots& table);

// Empties every slot, then writes row i into slot i, so the used slots are 0 to n - 1.
void WriteHotkeyRows(const QList<TWinHotKey>& rows, HotkeyTableSlots& table);

// Moves a row one place up (step -1) or down (step +1); returns the row's
// index afterwards, unchanged when it is already at that end.
int MoveHotkeyRow(QList<TWinHotKey>& rows, int row, int step);

// A slot the list cannot show faithfully: its key is not one the editor offers.
bool IsHotkeySlotReadable(const TWinHotKey& entry);

// Message texts; "\r\n" breaks lines as the message boxes are given them.
QString HotkeyReadFailedText(int slot);
QString HotkeyLimitText();
QString HotkeyDeleteQuestion(const TWinHotKey& entry);

} // namespace vistrel
