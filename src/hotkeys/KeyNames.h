#pragma once

#include <QString>
#include <QStringList>

namespace vistrel {

// The 74 key names of a hotkey entry, in the order the key box lists them:
// 48 single characters, F1 to F12, keypad 0 to 9 ("10Key_0"...), four arrows.
const QStringList& HotkeyKeyNames();

// The screenshot key of Linux desktops, offered after the 74 names. It is the
// one key that may be bound without a modifier.
inline const QString PrintScreenKeyName = QStringLiteral("PrintScreen");

// What the entry editor's key box offers after "(なし)": the 74 names, then
// "PrintScreen".
const QStringList& HotkeyKeyBoxNames();

// The virtual-key code of a key name (Japanese 106-key layout for the
// punctuation characters); 0 for a name that is not in the table.
int KeyNameToVirtualKey(const QString& name);

// The X keysym of a key name; 0 for a name that is not in the table. Letters
// give the unshifted keysym, like the virtual key drops the shift state.
quint32 KeyNameToKeysym(const QString& name);

} // namespace vistrel
