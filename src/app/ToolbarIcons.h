#pragma once

#include <QIcon>
#include <QString>

namespace vistrel {

// The picture of a command's toolbar button, from the desktop's icon theme
// with a drawn fallback, so that every button shows something recognisable.
QIcon ToolbarIcon(const QString& itemName);

} // namespace vistrel
