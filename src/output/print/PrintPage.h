#pragma once

#include "output/print/PrintLayout.h"

#include <QImage>

class QPainter;

namespace vistrel {

// Paints the header line and the picture on the page `painter` is open on, whose printable
// area and resolution `printer` gives. `screenDpi` serves the proportional scale.
void PaintPrintPage(QPainter& painter, const PrinterMetrics& printer, const QImage& picture,
                    const TPrintOutMode& mode, PrintScale scale, double screenDpi);

} // namespace vistrel
