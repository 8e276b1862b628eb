#pragma once

#include "hotkeys/CaptureRequest.h"

#include <QString>

#include <optional>

namespace vistrel {

struct Settings;

// The capture parameter string of hotkey entries and of the command line:
// comma-separated, case-sensitive tokens /C /A /W /M /L /R /T /U.
CaptureRequest ParseCaptureParam(const QString& text);

// Why a string may not be run as given, in the user's words: the first token the grammar
// does not know (which the lenient parse above passes over) or a continuous-save type that
// names no save type. Empty when every token is known.
QString CaptureParamProblem(const QString& text);

// The save type of an /A5 token's type field: a number 1 to 11, or one of the names BMP,
// JPG, JPEG, PNG, GIF (in any case) for its usual type. Nothing for anything else.
std::optional<int> ParseSaveTypeField(const QString& field);

// The string the entry editor stores; empty when the kind or the action is 0.
// The point mode and the continuous-save fields are never written.
QString FormatCaptureParam(const CaptureRequest& request);

// Carries an /A5 token's fields into the continuous-save settings: overwriting
// is switched off and each present field replaces its setting.
void ApplyAutoSaveOverride(const AutoSaveOverride& fields, Settings& settings);

} // namespace vistrel
