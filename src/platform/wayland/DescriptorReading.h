#pragma once

#include <QByteArray>

namespace vistrel::wayland {

// Reads `count` bytes from a socket or pipe, or up to its end when `count` is negative; what
// came before the end, an error or `limitMs` milliseconds in all.
QByteArray ReadWithLimit(int fd, qsizetype count, int limitMs);

} // namespace vistrel::wayland
