#include "output/print/PrintLayout.h"

#include <algorithm>
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
    case PrintScale::SplitPages: // the first page's share; SplitIntoPages gives them all
        return {available.width(), std::min(available.height(), scaled(h, available.width(), w))};
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
    case 3:
        return PrintScale::SplitPages;
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
    const QSize available = AvailablePrintArea(printer, mode);
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

QSize AvailablePrintArea(const PrinterMetrics& printer, const TPrintOutMode& mode)
{
    const int headerHeight = mode.HeaderOn ? HeaderFontHeight(mode.FontSize, printer.dpiY) : 0;
    return {printer.page.width() - mode.LeftOffset,
            printer.page.height() - mode.TopOffset - headerHeight};
}

double FitToPageShare(QSize picture, const PrinterMetrics& printer, const TPrintOutMode& mode,
                      double screenDpi)
{
    const QSize available = AvailablePrintArea(printer, mode);
    if (picture.isEmpty() || available.isEmpty() || printer.dpiY <= 0 || screenDpi <= 0)
        return 1.0;
    const double fit = std::min(double(available.width()) / picture.width(),
                                double(available.height()) / picture.height());
    return fit * screenDpi / printer.dpiY;
}

bool SplitPrintsLarger(QSize picture, const PrinterMetrics& printer, const TPrintOutMode& mode,
                       double screenDpi)
{
    const QSize available = AvailablePrintArea(printer, mode);
    if (picture.isEmpty() || available.isEmpty())
        return false;
    const double acrossWidth = double(available.width()) / picture.width();
    const double fit = std::min(acrossWidth, double(available.height()) / picture.height());
    return FitToPageShare(picture, printer, mode, screenDpi) < SmallestReadableFit &&
           acrossWidth > fit;
}

std::vector<PrintStrip> SplitIntoPages(QSize picture, QPoint origin, QSize available)
{
    std::vector<PrintStrip> pages;
    if (picture.isEmpty() || available.isEmpty())
        return pages;
    const double scale = double(available.width()) / picture.width();
    const int rowsPerPage = std::max(1, int(std::floor(available.height() / scale)));
    for (int top = 0; top < picture.height(); top += rowsPerPage) {
        const int rows = std::min(rowsPerPage, picture.height() - top);
        // Each page's edges are rounded from the whole picture's, so that no dot row is
        // lost or doubled where one page would continue the last.
        const int height = scaled(top + rows, available.width(), picture.width()) -
                           scaled(top, available.width(), picture.width());
        pages.push_back(
            {QRect(0, top, picture.width(), rows),
             QRect(origin, QSize(available.width(), std::clamp(height, 1, available.height())))});
    }
    return pages;
}

} // namespace vistrel
