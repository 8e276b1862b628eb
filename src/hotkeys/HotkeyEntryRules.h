#pragma once

#include "hotkeys/CaptureRequest.h"

#include <QString>

namespace vistrel {

// The entry editor's first refusal, in the order the fields are checked: the
// name (blanks alone do not count), the capture kind, the action; 0 stands
// for nothing selected. Empty when the entry may be stored.
QString HotkeyEntryError(const QString& name, int captureKind, int afterAction);

// The parameter string the editor stores for `edited`. What the editor cannot
// show of the `original` string is kept while it still applies: the point mode
// of a window capture and the folder and name fields of a continuous save.
QString EditedCaptureParam(const QString& original, const CaptureRequest& edited);

} // namespace vistrel
