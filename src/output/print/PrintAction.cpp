#include "output/print/PrintAction.h"

#include "settings/Settings.h"

namespace vistrel {

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

QString PrintPictureAction(PrinterPort& printer, const QImage& picture, const Settings& settings,
                           PrintScale scale, const HeaderTokenValues& tokens)
{
    if (!printer.hasPrinter())
        return QString::fromUtf8(NoPrinterText);
    if (settings.MAIN.PRNDIALOG && !printer.choosePrinter())
        return {};
    if (!picture.isNull())
        printer.print(picture, PrintOutModeFor(settings, tokens), scale);
    return QString::fromUtf8(PrintedText);
}

} // namespace vistrel
