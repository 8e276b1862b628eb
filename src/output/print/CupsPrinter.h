#pragma once

#include "output/print/PrintAction.h"

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace vistrel {

// The current printer for the whole run: chosen in the printer dialog, the system's default
// until then. A page is drawn into a PDF file and handed to CUPS, whose answer tells
// whether the job was taken; CUPS spools and prints in the background.
class CupsPrinter : public PrinterPort {
public:
    // `tempFolder` gives a private folder for the page while it is handed over.
    CupsPrinter(QWidget* dialogParent, std::function<QString()> tempFolder);
    ~CupsPrinter() override;
    CupsPrinter(const CupsPrinter&) = delete;
    CupsPrinter& operator=(const CupsPrinter&) = delete;

    bool hasPrinter() override;
    bool choosePrinter() override;
    void print(const QImage& picture, const TPrintOutMode& mode, PrintScale scale) override;
    std::optional<PrinterMetrics> pageFor(const QImage& picture,
                                          const TPrintOutMode& mode) override;
    double screenDpi() override;

private:
    QPrinter& printer();
    void setOrientationFor(const QImage& picture, const TPrintOutMode& mode);
    void paint(QPrinter& target, const QImage& picture, const TPrintOutMode& mode,
               PrintScale scale);
    void submit(const QString& pdfPath);

    QWidget* m_dialogParent;
    std::function<QString()> m_tempFolder;
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace vistrel
