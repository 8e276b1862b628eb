#include "capture/scroll/ScrollMarkers.h"

namespace vistrel {

namespace {

// n / 2 rounded to the nearest integer, halves to even.
int halfToEven(int n)
{
    int half = n / 2;
    if (n % 2 != 0 && half % 2 != 0)
        half += n > 0 ? 1 : -1;
    return half;
}

bool groupAt(const QImage& bitmap, int x, int y, const std::array<QRgb, 3>& colours)
{
    if (x < 0 || x + 2 >= bitmap.width())
        return false;
    const auto* row = reinterpret_cast<const QRgb*>(bitmap.constScanLine(y));
    for (int i = 0; i < 3; ++i)
        if ((row[x + i] & 0xffffff) != (colours[size_t(i)] & 0xffffff))
            return false;
    return true;
}

} // namespace

ScrollMarkerState ScrollMarkerGeometry(int width, int height)
{
    ScrollMarkerState state;
    state.firstGroupX = halfToEven(width);
    state.markerY = halfToEven(height);
    state.secondGroupX = width - 30;
    return state;
}

int FindScrollMarker(const QImage& bitmap, const ScrollMarkerState& markers)
{
    if (bitmap.depth() != 32)
        return FindScrollMarker(bitmap.convertToFormat(QImage::Format_RGB32), markers);
    const int height = bitmap.height();
    for (int i = 1; i <= height; ++i) {
        const int y = height - i;
        if (groupAt(bitmap, markers.firstGroupX, y, markers.colours) ||
            groupAt(bitmap, markers.secondGroupX, y, markers.colours))
            return i;
    }
    return 0;
}

} // namespace vistrel
