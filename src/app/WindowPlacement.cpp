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

QRect fitWindowToMonitors(const QRect& stored, const QList<QRect>& areas)
{
    QRect holder = areas.isEmpty() ? QRect() : areas.front();
    qint64 mostShared = 0;
    for (const QRect& area : areas) {
        const QRect shared = area.intersected(stored);
        const qint64 size = shared.isEmpty() ? 0 : qint64(shared.width()) * shared.height();
        if (size > mostShared) {
            holder = area;
            mostShared = size;
        }
    }
    return fitWindowToArea(stored, holder);
}

} // namespace vistrel
