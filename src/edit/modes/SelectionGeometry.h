#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vistrel {

// Rectangles here are in picture pixels: x and y inclusive, x + width and
// y + height exclusive, so a picture of W x H spans (0, 0, W, H).

// The rectangle between two corners in either order, |dx| by |dy|.
QRect SpanBetween(QPoint a, QPoint b);

// A dragged point kept on the picture; the far edges are allowed as exclusive bounds.
QPoint ClampToPicture(QPoint point, QSize picture);

// A selection moved back onto the picture, never smaller than 1 x 1 and never
// outside it: pinned at the left and top edges, cut at the right and bottom, and
// shifted back in when cutting would leave nothing.
QRect ClampSelection(QRect selection, QSize picture);

// The square of the picture that the trimming wizard magnifies: half-side
// 90 / zoom around the centre, moved back inside the picture but never shrunk.
QRect PreviewSourceSquare(QPoint centre, int zoom, QSize picture);

} // namespace vistrel
