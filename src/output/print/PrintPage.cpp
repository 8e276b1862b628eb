#include "output/print/PrintPage.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace vistrel {

void PaintPrintPage(QPainter& painter, const PrinterMetrics& printer, const QImage& picture,
                    const TPrintOutMode& mode, PrintScale scale, double screenDpi,
                    const std::function<bool()>& newPage)
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
    const auto paintHeader = [&] {
        if (!placement.header)
            return;
        painter.setPen(Qt::black);
        painter.drawText(*placement.header + QPoint(0, metrics.ascent()), mode.HeaderText);
    };
    // A plain copy of the colours: no smoothing, as a stretched device bitmap is.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB888);
    if (scale != PrintScale::SplitPages) {
        paintHeader();
        if (!placement.picture.isEmpty())
            painter.drawImage(placement.picture, pixels);
        return;
    }
    const std::vector<PrintStrip> pages = SplitIntoPages(
        picture.size(), placement.picture.topLeft(), AvailablePrintArea(printer, mode));
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && (!newPage || !newPage()))
            return;
        paintHeader();
        painter.drawImage(pages[i].target, pixels, pages[i].source);
    }
}

} // namespace vistrel
