#pragma once

#include "edit/modes/RubberBand.h"

#include <QImage>
#include <QPen>
#include <QRect>

namespace vistrel {

// Line index 0 to 4: a solid line of width index + 1; 5 to 9: dotted, width index - 4.
int LineWidthOfIndex(int lineIndex);
bool LineIsDotted(int lineIndex);
QPen ShapePen(int colourReference, int lineIndex);
QColor ColourOfReference(int colourReference);

// Draws a figure on the picture inside `selection`: the corners move in by
// width div 2 at the top-left and (width - 1) div 2 at the bottom-right, so that
// the stroke, centred on the outline, stays inside the frame.
void DrawShape(QImage& picture, BandKind kind, const QRect& selection, int colourReference,
               int lineIndex);

} // namespace vistrel
