#include "output/print/PrintLayout.h"

#include <cmath>

namespace vistrel {

namespace {

// a × b / c to the nearest integer, ties to even.
int scaled(double a, double b, double c)
{
    return static_cast<int>(std::nearbyint(a * b / c));
}

QSize scaledSize(QSize picture, QSize available, const PrinterMetrics& printer, PrintScale scale,
                 double screenDpi)
{
    const int w = picture.width();
    const int h = picture.height();
    switch (scale) {
    case PrintScale::Proportional:
        return {scaled(w, printer.dpiX, screenDpi), scaled(h, printer.dpiY, screenDpi)};
    case PrintScale::FitToPage: {
        const int t = scaled(w, available.height(), h);
        if (t < available.width())
            return {t, available.height()};
        return {available.width(), scaled(h, available.width(), w)};
    }
    case PrintScale::None:
        break;
    }
    return picture;
}

} // namespace

PrintScale PrintScaleFromMode(int mode, PrintScale current)
{
    switch (mode) {
    case 0:
        return PrintScale::None;
    case 1:
        return PrintScale::FitToPage;
    case 2:
        return PrintScale::Proportional;
    default:
        return current;
    }
}

std::optional<PageOrientation> PrintOrientation(int orientation, QSize picture)
{
    switch (orientation) {
    case 0:
        return PageOrientation::Portrait;
    case 1:
        return PageOrientation::Landscape;
    case 2:
        return picture.height() > picture.width() ? PageOrientation::Portrait
                                                  : PageOrientation::Landscape;
    default:
        return std::nullopt;
    }
}

int HeaderFontHeight(int fontSize, int dpiY)
{
    return std::abs(scaled(fontSize, dpiY, 72));
}

PrintPlacement PlacePrint(QSize picture, const PrinterMetrics& printer, const TPrintOutMode& mode,
                          PrintScale scale, double screenDpi, int headerWidth)
{
    PrintPlacement placement;
    placement.fontHeight = HeaderFontHeight(mode.FontSize, printer.dpiY);
    const int x = mode.LeftOffset;
    const int y = mode.TopOffset + (mode.HeaderOn ? placement.fontHeight : 0);
    if (picture.isEmpty())
        return placement;
    const QSize available(printer.page.width() - x, printer.page.height() - y);
    placement.picture =
        QRect(QPoint(x, y), scaledSize(picture, available, printer, scale, screenDpi));

    if (mode.HeaderOn) {
        const int pageWidth = printer.page.width();
        switch (mode.HeaderPos) {
        case 0:
            placement.header = QPoint(mode.LeftOffset, mode.TopOffset);
            break;
        case 1: // the left margin is added to the centred position
            placement.header =
                QPoint(mode.LeftOffset + (pageWidth - headerWidth) / 2, mode.TopOffset);
            break;
        case 2: // flush with the right edge, without a right margin
            placement.header = QPoint(pageWidth - headerWidth, mode.TopOffset);
            break;
        default:
            break;
        }
    }
    return placement;
}

} // namespace vistrel
