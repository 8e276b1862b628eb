#pragma once

#include <QString>

namespace vistrel {

// The first `maxBytes` bytes of a title as Shift-JIS counts them (1 for ASCII
// and half-width katakana, 2 for every other character), never cutting a
// character in half.
QString TabCaption(const QString& title, int maxBytes = 20);

} // namespace vistrel
