#pragma once

#include <QImage>

namespace vistrel {

// A colour reference 0x00BBGGRR as a pixel 0x00RRGGBB; the top byte is dropped.
QRgb PixelFromColorRef(quint32 colorRef);

// Turns the picture clockwise on screen by `degrees` (inverse mapping). Quarter turns move
// every pixel and add no fill; other angles sample with the resize's cubic kernel, the edges
// blending into `fill` (0x00RRGGBB), which also takes what the picture does not cover of the
// canvas, grown to hold the turned picture. The result is 32 bits per pixel.
QImage RotatePicture(const QImage& bitmap, int degrees, QRgb fill);

// The same on `threads` bands of rows; the result does not depend on the count.
QImage RotatePicture(const QImage& bitmap, int degrees, QRgb fill, int threads);

// x after n times `x += step` with every step rounded as the processor rounds it, but
// without taking all n steps: a band of rows starts exactly where the rows above it end.
double RepeatAdd(double x, double step, long long n);

} // namespace vistrel
