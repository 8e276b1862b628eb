#include "capture/scroll/FixedColumns.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vistrel {

namespace {

// Scroll bars are narrow: wider edges are content.
constexpr int MaxFixedWidth = 64;
// Fewer rows than this tell nothing, and a column must disagree on more than
// one row (a caret may blink in the content).
constexpr int MinRowsLookedAt = 8;
constexpr int MinDisagreeingRows = 2;

bool sameBytes(const uchar* a, const uchar* b, int firstColumn, int endColumn)
{
    return std::memcmp(a + firstColumn * 4, b + firstColumn * 4,
                       size_t(endColumn - firstColumn) * 4) == 0;
}

} // namespace

FixedColumns FindFixedColumns(const QImage& before, const QImage& after, int offset)
{
    const int width = after.width();
    const int height = after.height();
    const int edge = std::min(MaxFixedWidth, width / 4);
    if (before.size() != after.size() || offset <= 0 || offset >= height || edge < 1 ||
        after.depth() != 32 || before.depth() != 32)
        return {};
    std::vector<int> disagreeing(size_t(width), 0);
    int rowsLookedAt = 0;
    for (int y = 0; y + offset < height; ++y) {
        const uchar* moved = after.constScanLine(y);
        const uchar* source = before.constScanLine(y + offset);
        // Rows that stayed (headers, blank lines) show nothing about the edges.
        if (!sameBytes(moved, source, edge, width - edge) ||
            sameBytes(moved, before.constScanLine(y), 0, width))
            continue;
        ++rowsLookedAt;
        const auto* a = reinterpret_cast<const QRgb*>(moved);
        const auto* b = reinterpret_cast<const QRgb*>(source);
        for (int x = 0; x < edge; ++x) {
            disagreeing[size_t(x)] += a[x] != b[x];
            disagreeing[size_t(width - 1 - x)] += a[width - 1 - x] != b[width - 1 - x];
        }
    }
    FixedColumns fixed;
    if (rowsLookedAt < MinRowsLookedAt)
        return fixed;
    for (int x = 0; x < edge; ++x) {
        if (disagreeing[size_t(x)] >= MinDisagreeingRows)
            fixed.left = x + 1;
        if (disagreeing[size_t(width - 1 - x)] >= MinDisagreeingRows)
            fixed.right = x + 1;
    }
    return fixed;
}

} // namespace vistrel
