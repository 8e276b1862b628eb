#pragma once

#include "output/print/HeaderTokens.h"
#include "output/print/PrintLayout.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace vistrel {

struct Settings;

// The printer as the print action sees it.
class PrinterPort {
public:
    virtual ~PrinterPort() = default;
    virtual bool hasPrinter() = 0;
    // The printer dialog; false when the user cancels it.
    virtual bool choosePrinter() = 0;
    // Prints one page (several for a split print). Throws std::runtime_error with a reason
    // for the user when the printing system refuses the job.
    virtual void print(const QImage& picture, const TPrintOutMode& mode, PrintScale scale) = 0;
    // The page `picture` would be printed on, once its orientation is set; none when the
    // printer cannot tell.
    virtual std::optional<PrinterMetrics> pageFor(const QImage& picture, const TPrintOutMode& mode)
    {
        (void)picture;
        (void)mode;
        return std::nullopt;
    }
    // The screen's pixels to the inch, which the proportional scale keeps.
    virtual double screenDpi() { return 96.0; }
};

// Asked when a picture fitted to the page would be too small to read: true prints it at the
// page's width over several pages instead. `fit` is the share of its size on the screen it
// would keep.
using SplitOffer = std::function<bool(double fit)>;

inline constexpr const char* NoPrinterText = "印刷するプリンタがありません。";
inline constexpr const char* PrintedText = "印刷が完了しました。";

// The question that offers the split print; `fit` as in SplitOffer.
QString SplitPrintQuestion(double fit);

// The print record for the settings, the header's tokens filled in.
TPrintOutMode PrintOutModeFor(const Settings& settings, const HeaderTokenValues& tokens);

// The print after-capture action: no printer is reported, a cancelled dialog prints nothing
// and says nothing, otherwise one page, or several when `offerSplit` takes the offer to
// split a picture that fitting would make unreadable. Returns the status message.
QString PrintPictureAction(PrinterPort& printer, const QImage& picture, const Settings& settings,
                           PrintScale scale, const HeaderTokenValues& tokens,
                           const SplitOffer& offerSplit = {});

} // namespace vistrel
