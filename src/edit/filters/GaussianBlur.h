#pragma once

#include <QImage>
#include <QRect>

#include <array>

namespace vistrel {

// The widths of the three box passes whose succession approximates a Gaussian of `sigma`
// pixels (each width odd, at least 1). The variance of the three boxes together is within
// one box step of sigma squared.
std::array<int, 3> BoxWidthsForSigma(double sigma);

// A copy of the picture with `area` blurred by a Gaussian of `sigma` pixels, made of three
// box passes across and three down. Pixels inside the area take their neighbours from the
// whole picture, and the picture's edges repeat outwards, so a flat colour stays flat up to
// the border and the area's edge blends with what surrounds it. The copy keeps the picture's
// format; colours with alpha are blurred premultiplied. `threads` 0 lets the kernel choose.
QImage GaussianBlurred(const QImage& picture, QRect area, double sigma, int threads = 0);

} // namespace vistrel
