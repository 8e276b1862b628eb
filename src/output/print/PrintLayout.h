#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace vistrel {

// What one print is made with; offsets in printer dots.
struct TPrintOutMode {
    int Orientation = 0; // 0 portrait, 1 landscape, 2 automatic
    int LeftOffset = 0;
    int TopOffset = 0;
    bool HeaderOn = false;
    int FontSize = 10; // points
    QString HeaderText;
    int HeaderPos = 0; // 0 left, 1 centre, 2 right
};

// SplitPages prints a picture at the page's width on as many pages as its height needs.
enum class PrintScale { None, FitToPage, Proportional, SplitPages };

// The scale the options choose: MODE 3 split into pages, 2 proportional, 1 fit to page,
// 0 none; any other value keeps `current`.
PrintScale PrintScaleFromMode(int mode, PrintScale current);

enum class PageOrientation { Portrait, Landscape };

// The orientation the page is set to for a picture; none leaves the printer's own. Automatic
// takes portrait only for a picture higher than wide.
std::optional<PageOrientation> PrintOrientation(int orientation, QSize picture);

// The printable area of the page in dots and the printer's resolution.
struct PrinterMetrics {
    QSize page;
    int dpiX = 0;
    int dpiY = 0;
};

// Where the header and the picture go, in dots from the printable area's top left.
struct PrintPlacement {
    QRect picture;
    int fontHeight = 0;           // the header font's height in dots
    std::optional<QPoint> header; // the header text's top left; none when it is not drawn
};

// The header font's height in dots: points over 72 to the inch, rounded.
int HeaderFontHeight(int fontSize, int dpiY);

// Places a picture of `picture` pixels on the page. The header takes one font height above
// the picture even when its alignment is unknown and it is not drawn; `headerWidth` is the
// header text's width in dots. `screenDpi` serves the proportional scale.
PrintPlacement PlacePrint(QSize picture, const PrinterMetrics& printer, const TPrintOutMode& mode,
                          PrintScale scale, double screenDpi, int headerWidth);

// Below this share of its size on the screen a picture fitted to the page is too small to
// read, and printing it on several pages is offered.
inline constexpr double SmallestReadableFit = 0.25;

// The area left for the picture below the margins and the header line.
QSize AvailablePrintArea(const PrinterMetrics& printer, const TPrintOutMode& mode);

// The share of its size on a screen of `screenDpi` that `picture` keeps when fitted to the
// page.
double FitToPageShare(QSize picture, const PrinterMetrics& printer, const TPrintOutMode& mode,
                      double screenDpi);

// Whether fitting `picture` to the page would shrink it below SmallestReadableFit of its
// size on the screen while splitting it at the page's width would print it larger.
bool SplitPrintsLarger(QSize picture, const PrinterMetrics& printer, const TPrintOutMode& mode,
                       double screenDpi);

// One page of a split print: the rows of the picture and where they go on the page.
struct PrintStrip {
    QRect source;
    QRect target;
};

// Cuts `picture` into pages: each row scaled to the width of `available`, which starts at
// `origin` on every page, and as many whole rows per page as its height takes.
std::vector<PrintStrip> SplitIntoPages(QSize picture, QPoint origin, QSize available);

} // namespace vistrel
