#pragma once

#include "settings/Settings.h"

#include <QString>

namespace vistrel {

// One hotkey entry as the settings hold it: name, parameter string, modifiers, key.
using TWinHotKey = Settings::HotkeyEntry;

inline constexpr int HotkeySlotCount = Settings::HotkeySlots;
// Slot i is registered under the identifier HotkeyIdBase + i.
inline constexpr int HotkeyIdBase = 200;

// "Ctrl+Alt+Shift+Win+" in that order followed by the key, or "（なし）"
// unless the entry is registrable.
QString HotkeyDisplayText(const TWinHotKey& entry);

// The icon of an entry: kind - 1, plus 3 for a timer capture. Only 0 to 5
// name an icon; anything else (no kind, kind 99) shows none.
int HotkeyImageIndex(const QString& param);

// Whether the entry is registered at all: a key and at least one modifier, or
// "PrintScreen" alone.
bool IsRegistrable(const TWinHotKey& entry);

// The modifier bits of the platform's hotkey registration.
quint32 HotkeyModifiers(const TWinHotKey& entry);

// The message of a registration that failed.
QString RegistrationFailedText(const TWinHotKey& entry);

// The caption of the entry's item in the tray's hotkey submenu.
QString TrayHotkeyCaption(const TWinHotKey& entry);

} // namespace vistrel
