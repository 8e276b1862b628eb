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

FixedColumns FindFixedColumns(const QImage& before, const QImage& after, int offset, int topBand,
                              int bottomBand)
{
    const int width = after.width();
    const int height = after.height();
    const int edge = std::min(MaxFixedWidth, width / 4);
    if (before.size() != after.size() || offset <= 0 || offset >= height || edge < 1 ||
        after.depth() != 32 || before.depth() != 32)
        return {};
    // Per edge column: rows that disagree with where the content came from, and
    // rows that changed where they stand.
    std::vector<int> disagreeing(size_t(width), 0);
    std::vector<int> changed(size_t(width), 0);
    int rowsLookedAt = 0;
    const int movingEnd = height - std::max(0, bottomBand);
    for (int y = std::max(0, topBand); y + offset < movingEnd; ++y) {
        const uchar* moved = after.constScanLine(y);
        const uchar* source = before.constScanLine(y + offset);
        // Rows that stayed (headers, blank lines) show nothing about the edges.
        if (!sameBytes(moved, source, edge, width - edge) ||
            sameBytes(moved, before.constScanLine(y), 0, width))
            continue;
        ++rowsLookedAt;
        const auto* a = reinterpret_cast<const QRgb*>(moved);
        const auto* b = reinterpret_cast<const QRgb*>(source);
        const auto* c = reinterpret_cast<const QRgb*>(before.constScanLine(y));
        for (const int x : {0, width - edge})
            for (int column = x; column < x + edge; ++column) {
                disagreeing[size_t(column)] += a[column] != b[column];
                changed[size_t(column)] += a[column] != c[column];
            }
    }
    FixedColumns fixed;
    if (rowsLookedAt < MinRowsLookedAt)
        return fixed;
    // A scroll bar mostly stays where it is; content at the edge (a caret by a
    // column of text) changes where it stands more than against its source.
    const auto isFixed = [&](int column) {
        return disagreeing[size_t(column)] >= MinDisagreeingRows &&
               changed[size_t(column)] < disagreeing[size_t(column)];
    };
    for (int x = 0; x < edge; ++x) {
        if (isFixed(x))
            fixed.left = x + 1;
        if (isFixed(width - 1 - x))
            fixed.right = x + 1;
    }
    return fixed;
}

} // namespace vistrel
