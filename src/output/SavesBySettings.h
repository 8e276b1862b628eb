#pragma once

#include "output/ContinuousSave.h"
#include "output/PictureSaveOptions.h"

#include <QImage>
#include <QString>

#include <optional>

namespace vistrel {

struct Settings;

// The codec settings of a save, with the screen's colour depth when a screen is known.
PictureSaveOptions SaveOptionsOf(const Settings& settings);
// The continuous-save folder, type and name parts the settings hold.
ContinuousSaveSettings AutoSaveSettingsOf(const Settings& settings);
// A continuous save of `picture` as the settings say, advancing their counter; the name
// written, or nothing (after the message box).
std::optional<QString> ContinuousSaveBySettings(const QImage& picture, Settings& settings);

} // namespace vistrel
