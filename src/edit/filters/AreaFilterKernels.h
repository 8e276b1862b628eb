#pragma once

#include <QImage>
#include <QRect>

#include <optional>

namespace vistrel {

enum class FilterKind { Colour = 0, Mosaic = 1 };
// The colour choices: 0 normal (no change), 1 negative, 2 sepia, 3 grey.
enum ColourChoice { ColourNormal = 0, ColourNegative = 1, ColourSepia = 2, ColourGrey = 3 };

// Pixelates `rect` of the picture with tiles of tw x th aligned to the rectangle's
// corner; partial tiles at the right and bottom are averaged on their own pixels,
// halves rounded up. The picture becomes 24 bits per pixel.
void MosaicKernel(QImage& picture, int tw, int th, QRect rect);

// Recolours every pixel; the picture keeps its format (32 or 24 bits per pixel).
void ColourKernel(QImage& picture, int choice);

// One filter on a copy of `view`: the whole picture, only the selection, or (with
// `outside`) everything but the selection. Mosaic tiles align to the corner of what
// they cover.
QImage ApplyAreaFilter(const QImage& view, FilterKind kind, int parameter,
                       const std::optional<QRect>& selection, bool outside);

} // namespace vistrel
