#pragma once

#include <QIcon>

namespace vistrel {

// The program's icon, drawn once: a small camera.
QIcon AppIcon();

} // namespace vistrel
