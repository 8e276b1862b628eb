#pragma once

#include "platform/StandardCursors.h"

namespace vistrel {

// A standard cursor from the named cursor theme (the default theme when empty), read from
// the theme's files through libXcursor, which needs no display; the built-in drawing when
// the theme lacks the shape.
QImage CursorThemeImage(StandardCursor shape, const char* theme);

} // namespace vistrel
