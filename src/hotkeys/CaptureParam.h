#pragma once

#include "hotkeys/CaptureRequest.h"

#include <QString>

namespace vistrel {

struct Settings;

// The capture parameter string of hotkey entries and of the command line:
// comma-separated, case-sensitive tokens /C /A /W /M /L /R /T /U.
CaptureRequest ParseCaptureParam(const QString& text);

// The string the entry editor stores; empty when the kind or the action is 0.
// The point mode and the continuous-save fields are never written.
QString FormatCaptureParam(const CaptureRequest& request);

// Carries an /A5 token's fields into the continuous-save settings: overwriting
// is switched off and each present field replaces its setting.
void ApplyAutoSaveOverride(const AutoSaveOverride& fields, Settings& settings);

} // namespace vistrel
