#pragma once

#include <QImage>

namespace vistrel {

// Columns at the left and right edges of a frame that do not travel with the
// content: scroll bars, whose thumb moves by its own small amount.
struct FixedColumns {
    int left = 0;
    int right = 0;
};

// Compares two 32-bit grabs of one size whose content moved up by `offset` rows.
// Only rows whose middle agrees under the move, and that did not simply stay,
// are looked at; an edge column that disagrees on some of them, and changed on
// fewer where it stands, is fixed, and so is every column between it and the edge.
// Rows in the bands at the top and bottom that did not move (a terminal's margin, a status
// bar) are neither content nor its source, and are left out.
FixedColumns FindFixedColumns(const QImage& before, const QImage& after, int offset,
                              int topBand = 0, int bottomBand = 0);

} // namespace vistrel
