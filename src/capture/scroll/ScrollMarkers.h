#pragma once

#include <QImage>
#include <QRgb>

#include <array>

namespace vistrel {

// The two groups of three marker pixels painted into a scrolling target: where
// they sit relative to the target's rectangle, and the colours read back after
// painting them (the reference when looking for them in a later grab).
struct ScrollMarkerState {
    std::array<QRgb, 3> colours{};
    int firstGroupX = 0;
    int markerY = 0; // distance above the rectangle's bottom edge
    int secondGroupX = 0;
};

// Red, green and blue, left to right.
inline constexpr std::array<QRgb, 3> ScrollMarkerPaint = {0xffff0000, 0xff00ff00, 0xff0000ff};

// Group places for a rectangle of this size: half the width and half the
// height (halves to even), and 30 pixels in from the right edge.
ScrollMarkerState ScrollMarkerGeometry(int width, int height);

// The marker's distance from the bottom of the grab, searched from the bottom
// row upwards in both groups; 0 when no group is found.
int FindScrollMarker(const QImage& bitmap, const ScrollMarkerState& markers);

} // namespace vistrel
