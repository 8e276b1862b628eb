#pragma once

#include "capture/scroll/FrameRows.h"

#include <QImage>

namespace vistrel {

// How far the content moved up between two grabs of the same rectangle, found
// from the pictures themselves, for targets that repaint instead of moving pixels.
struct FrameMatch {
    enum class Kind {
        Moved, // `offset` rows, with confidence
        Still, // the pictures agree where they stand: nothing moved
        Unsure // no offset stands out (repeating or blank content, too large a jump)
    };
    Kind kind = Kind::Unsure;
    int offset = 0;
    // Rows at the top and bottom that did not move (sticky headers, status bars).
    int topBand = 0;
    int bottomBand = 0;
};

// `before` and `after` are 32-bit grabs of one size with their row fingerprints.
// Candidate offsets come from rows unique in `before`; the best is scored over the
// whole overlap, must not have a near-equal rival, and is confirmed pixel by pixel.
FrameMatch MatchFrames(const QImage& before, const FrameRows& beforeRows, const QImage& after,
                       const FrameRows& afterRows);

} // namespace vistrel
