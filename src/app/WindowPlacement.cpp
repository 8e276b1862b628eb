#include "app/WindowPlacement.h"

#include <algorithm>

namespace vistrel {

namespace {

constexpr int MinimumSide = 100;

int fitSpan(int start, int length, int areaStart, int areaLength)
{
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

} // namespace

QRect fitWindowToArea(const QRect& stored, const QRect& available)
{
    if (available.isEmpty())
        return stored;
    const int width =
        std::clamp(stored.width(), std::min(MinimumSide, available.width()), available.width());
    const int height =
        std::clamp(stored.height(), std::min(MinimumSide, available.height()), available.height());
    return {fitSpan(stored.x(), width, available.x(), available.width()),
            fitSpan(stored.y(), height, available.y(), available.height()), width, height};
}

} // namespace vistrel
