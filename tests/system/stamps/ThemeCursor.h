#pragma once

#include <QImage>

namespace vistrel::test {

// A cursor of the default theme as the program reads it: the same size, the same fitting.
QImage themeCursor(const char* name);

} // namespace vistrel::test
