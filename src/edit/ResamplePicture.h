#pragma once

#include <QImage>

namespace vistrel {

// Resizes by cubic convolution (a = -1). Enlarging takes 4 x 4 taps, top-left aligned; a side
// that shrinks widens the kernel by its scale factor, centred, so that text stays readable.
// The result is 24 bits per pixel. A side asked to be 0 or less becomes 1, so a picture never
// vanishes.
QImage ResamplePicture(const QImage& bitmap, int width, int height);

// The same on `threads` bands of rows; the result does not depend on the count.
QImage ResamplePicture(const QImage& bitmap, int width, int height, int threads);

// The convolution weight of a tap at distance d (0 <= d <= 2).
double CubicWeight(double d);

} // namespace vistrel
