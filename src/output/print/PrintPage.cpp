#include "output/print/PrintPage.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace vistrel {

void PaintPrintPage(QPainter& painter, const PrinterMetrics& printer, const QImage& picture,
                    const TPrintOutMode& mode, PrintScale scale, double screenDpi)
{
    if (picture.isNull())
        return;
    QFont font = painter.font(); // the surface's own face, at the header's size
    font.setPixelSize(std::max(1, HeaderFontHeight(mode.FontSize, printer.dpiY)));
    painter.setFont(font);
    const QFontMetrics metrics(font, painter.device());
    const int headerWidth = mode.HeaderOn ? metrics.horizontalAdvance(mode.HeaderText) : 0;

    const PrintPlacement placement =
        PlacePrint(picture.size(), printer, mode, scale, screenDpi, headerWidth);
    if (placement.header) {
        painter.setPen(Qt::black);
        painter.drawText(*placement.header + QPoint(0, metrics.ascent()), mode.HeaderText);
    }
    if (placement.picture.isEmpty())
        return;
    // A plain copy of the colours: no smoothing, as a stretched device bitmap is.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(placement.picture, picture.convertToFormat(QImage::Format_RGB888));
}

} // namespace vistrel
