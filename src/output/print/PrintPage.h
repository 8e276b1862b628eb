#pragma once

#include "output/print/PrintLayout.h"

#include <QImage>

#include <functional>

class QPainter;

namespace vistrel {

// Paints the header line and the picture on the page `painter` is open on, whose printable
// area and resolution `printer` gives. `screenDpi` serves the proportional scale. A split
// print goes on over further pages, each begun by `newPage` (false when it failed), each
// with the header.
void PaintPrintPage(QPainter& painter, const PrinterMetrics& printer, const QImage& picture,
                    const TPrintOutMode& mode, PrintScale scale, double screenDpi,
                    const std::function<bool()>& newPage = {});

} // namespace vistrel
