#pragma once

#include "output/print/HeaderTokens.h"
#include "output/print/PrintLayout.h"

#include <QImage>
#include <QString>

namespace vistrel {

struct Settings;

// The printer as the print action sees it.
class PrinterPort {
public:
    virtual ~PrinterPort() = default;
    virtual bool hasPrinter() = 0;
    // The printer dialog; false when the user cancels it.
    virtual bool choosePrinter() = 0;
    // Prints one page. Throws std::runtime_error with a reason for the user when the
    // printing system refuses the job.
    virtual void print(const QImage& picture, const TPrintOutMode& mode, PrintScale scale) = 0;
};

inline constexpr const char* NoPrinterText = "印刷するプリンタがありません。";
inline constexpr const char* PrintedText = "印刷が完了しました。";

// The print record for the settings, the header's tokens filled in.
TPrintOutMode PrintOutModeFor(const Settings& settings, const HeaderTokenValues& tokens);

// The print after-capture action: no printer is reported, a cancelled dialog prints nothing
// and says nothing, otherwise one page. Returns the status message.
QString PrintPictureAction(PrinterPort& printer, const QImage& picture, const Settings& settings,
                           PrintScale scale, const HeaderTokenValues& tokens);

} // namespace vistrel
