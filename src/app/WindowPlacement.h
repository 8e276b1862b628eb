#pragma once

#include <QList>
#include <QRect>

namespace vistrel {

// The stored window rectangle brought onto `available` (the screen's work
// area): never larger than it, and wholly on it, so that a hand-edited or
// stale size can neither make a huge window nor put it out of reach.
QRect fitWindowToArea(const QRect& stored, const QRect& available);

// The same onto the work area of the monitor that holds most of the stored rectangle, so
// that a window left on a second monitor comes back there; `areas` holds the primary
// monitor's first, which takes a window that lies on none of them.
QRect fitWindowToMonitors(const QRect& stored, const QList<QRect>& areas);

} // namespace vistrel
