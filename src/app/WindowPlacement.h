#pragma once

#include <QRect>

namespace vistrel {

// The stored window rectangle brought onto `available` (the screen's work
// area): never larger than it, and wholly on it, so that a hand-edited or
// stale size can neither make a huge window nor put it out of reach.
QRect fitWindowToArea(const QRect& stored, const QRect& available);

} // namespace vistrel
