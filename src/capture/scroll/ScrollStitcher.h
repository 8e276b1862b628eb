#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

namespace vistrel {

// Rows at the top and bottom of every frame that never moved while scrolling,
// and columns at the left and right edges that did not move with the content
// (scroll bars).
struct ScrollBands {
    int top = 0;
    int bottom = 0;
    int left = 0;
    int right = 0;
};

// Stitches frames 0 to n into one picture h + total rows high. `steps` holds
// s(1) to s(n), the scroll measured after each step (s(n + 1) is 0). Frames are
// read one at a time, last first; each is drawn at its content's own position
// without its bottom s(k + 1) rows, so earlier frames win where they overlap.
// Between the bands only the moving rows are drawn: the top band comes from
// frame 0 and the bottom band from frame n. The fixed columns come from frame 0
// alone; below it they repeat its most common row there (a scroll bar's track),
// so no piece of a moving thumb is left along the edge. A cut never opens a
// gap, even for steps larger than half a frame. Trace lines go to `trace`.
QImage StitchScrollFrames(int frameHeight, const std::vector<int>& steps, ScrollBands bands,
                          const std::function<QImage(int frame)>& readFrame,
                          const std::function<void(const QString&)>& trace);

} // namespace vistrel
