#include "output/print/PrintAction.h"

#include "settings/Settings.h"

#include <algorithm>

namespace vistrel {

QString SplitPrintQuestion(double fit)
{
    return QStringLiteral("この画像を用紙に合わせると %1% に縮小されます。\n"
                          "用紙の幅に合わせて、複数のページに分けて印刷しますか?")
        .arg(std::max(1, int(fit * 100)));
}

TPrintOutMode PrintOutModeFor(const Settings& settings, const HeaderTokenValues& tokens)
{
    TPrintOutMode mode;
    mode.Orientation = settings.PRINT.ORIENT;
    // Ten dots per millimetre entered, whatever the printer's resolution.
    mode.LeftOffset = settings.PRINT.LEFT * 10;
    mode.TopOffset = settings.PRINT.TOP * 10;
    mode.HeaderOn = settings.HEAD.HEADPRN;
    mode.FontSize = settings.HEAD.FONTSIZE;
    mode.HeaderText = ExpandHeaderTokens(settings.HEAD.TEXT, tokens);
    mode.HeaderPos = settings.HEAD.POS;
    return mode;
}

namespace {

// The fit's share of the picture's size, when fitting would make it unreadable and a split
// print would not.
std::optional<double> unreadableFit(PrinterPort& printer, const QImage& picture,
                                    const TPrintOutMode& mode)
{
    const std::optional<PrinterMetrics> page = printer.pageFor(picture, mode);
    const double screenDpi = printer.screenDpi();
    if (!page || !SplitPrintsLarger(picture.size(), *page, mode, screenDpi))
        return std::nullopt;
    return FitToPageShare(picture.size(), *page, mode, screenDpi);
}

} // namespace

QString PrintPictureAction(PrinterPort& printer, const QImage& picture, const Settings& settings,
                           PrintScale scale, const HeaderTokenValues& tokens,
                           const SplitOffer& offerSplit)
{
    if (!printer.hasPrinter())
        return QString::fromUtf8(NoPrinterText);
    if (settings.MAIN.PRNDIALOG && !printer.choosePrinter())
        return {};
    if (picture.isNull())
        return QString::fromUtf8(PrintedText);
    const TPrintOutMode mode = PrintOutModeFor(settings, tokens);
    if (scale == PrintScale::FitToPage && offerSplit) {
        if (const std::optional<double> fit = unreadableFit(printer, picture, mode);
            fit && offerSplit(*fit))
            scale = PrintScale::SplitPages;
    }
    printer.print(picture, mode, scale);
    return QString::fromUtf8(PrintedText);
}

} // namespace vistrel
