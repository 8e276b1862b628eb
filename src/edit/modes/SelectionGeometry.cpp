#include "edit/modes/SelectionGeometry.h"

#include <algorithm>

namespace vistrel {

QRect SpanBetween(QPoint a, QPoint b)
{
    const int left = std::min(a.x(), b.x());
    const int top = std::min(a.y(), b.y());
    return {left, top, std::max(a.x(), b.x()) - left, std::max(a.y(), b.y()) - top};
}

QPoint ClampToPicture(QPoint point, QSize picture)
{
    return {std::clamp(point.x(), 0, picture.width()), std::clamp(point.y(), 0, picture.height())};
}

namespace {

// One axis of ClampSelection: start and length on an edge of `extent` pixels.
void clampSpan(int& start, int& length, int extent)
{
    start = std::max(start, 0);
    length = std::max(length, 1);
    if (start + length > extent)
        length = extent - start;
    if (length < 1) { // the frame lies past the far edge: keep its last pixel
        start = std::max(extent - 1, 0);
        length = 1;
    }
}

} // namespace

QRect ClampSelection(QRect selection, QSize picture)
{
    int x = selection.x();
    int width = selection.width();
    int y = selection.y();
    int height = selection.height();
    clampSpan(x, width, picture.width());
    clampSpan(y, height, picture.height());
    return {x, y, width, height};
}

QRect PreviewSourceSquare(QPoint centre, int zoom, QSize picture)
{
    const int half = 90 / std::max(zoom, 1);
    int left = centre.x() - half;
    int top = centre.y() - half;
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    if (left + 2 * half > picture.width())
        left = picture.width() - 2 * half;
    if (top + 2 * half > picture.height())
        top = picture.height() - 2 * half;
    return {left, top, 2 * half, 2 * half};
}

} // namespace vistrel
