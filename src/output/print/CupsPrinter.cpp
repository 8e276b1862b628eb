#include "output/print/CupsPrinter.h"

#include "output/print/PrintPage.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <stdexcept>

namespace vistrel {

namespace {

// Where Qt keeps the options chosen on the printer dialog's property page, as name and
// value pairs (the key of Qt's own CUPS engine).
constexpr auto CupsOptionsKey = static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);

double screenResolution()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

// The page's own printable area, not Qt's default margins: the margins are the user's,
// counted from where the printer can print.
void usePrintableArea(QPrinter& printer)
{
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
}

[[noreturn]] void fail(const QString& reason)
{
    throw std::runtime_error(
        QStringLiteral("印刷できませんでした。\n%1").arg(reason).toStdString());
}

// The options of a job as CUPS takes them; freed with the object.
class CupsOptions {
public:
    ~CupsOptions() { cupsFreeOptions(m_count, m_options); }
    void add(const QByteArray& name, const QByteArray& value)
    {
        m_count = cupsAddOption(name.constData(), value.constData(), m_count, &m_options);
    }
    int count() const { return m_count; }
    cups_option_t* options() const { return m_options; }

private:
    int m_count = 0;
    cups_option_t* m_options = nullptr;
};

} // namespace

CupsPrinter::CupsPrinter(QWidget* dialogParent, std::function<QString()> tempFolder)
    : m_dialogParent(dialogParent), m_tempFolder(std::move(tempFolder))
{}

CupsPrinter::~CupsPrinter() = default;

QPrinter& CupsPrinter::printer()
{
    // Made on first use: asking CUPS for its printers is not free.
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setDocName(QStringLiteral("Vistrel")); // the job's name in the queue
        if (m_printer->printerName().isEmpty()) {
            const QStringList names = QPrinterInfo::availablePrinterNames();
            if (!names.isEmpty())
                m_printer->setPrinterName(names.front());
        }
        usePrintableArea(*m_printer);
    }
    return *m_printer;
}

bool CupsPrinter::hasPrinter()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool CupsPrinter::choosePrinter()
{
    QPrintDialog dialog(&printer(), m_dialogParent);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    usePrintableArea(printer()); // another printer or paper has other limits
    return accepted;
}

void CupsPrinter::setOrientationFor(const QImage& picture, const TPrintOutMode& mode)
{
    if (const auto orientation = PrintOrientation(mode.Orientation, picture.size()))
        printer().setPageOrientation(*orientation == PageOrientation::Portrait
                                         ? QPageLayout::Portrait
                                         : QPageLayout::Landscape);
}

std::optional<PrinterMetrics> CupsPrinter::pageFor(const QImage& picture, const TPrintOutMode& mode)
{
    setOrientationFor(picture, mode);
    const QPrinter& current = printer();
    return PrinterMetrics{QSize(current.width(), current.height()), current.logicalDpiX(),
                          current.logicalDpiY()};
}

double CupsPrinter::screenDpi()
{
    return screenResolution();
}

void CupsPrinter::print(const QImage& picture, const TPrintOutMode& mode, PrintScale scale)
{
    setOrientationFor(picture, mode);
    QPrinter& current = printer();
    // "Print to file" chosen in the dialog: the file is the result, no queue is involved.
    if (current.outputFormat() == QPrinter::PdfFormat) {
        paint(current, picture, mode, scale);
        return;
    }

    QTemporaryFile pdf(m_tempFolder() + QStringLiteral("/print-XXXXXX.pdf"));
    if (!pdf.open())
        fail(pdf.errorString());
    pdf.close();
    QPrinter page(QPrinter::HighResolution);
    page.setOutputFormat(QPrinter::PdfFormat);
    page.setOutputFileName(pdf.fileName());
    page.setResolution(current.resolution());
    page.setPageLayout(current.pageLayout());
    page.setDocName(current.docName());
    paint(page, picture, mode, scale);
    submit(pdf.fileName());
}

void CupsPrinter::paint(QPrinter& target, const QImage& picture, const TPrintOutMode& mode,
                        PrintScale scale)
{
    QPainter painter;
    if (!painter.begin(&target))
        fail(QStringLiteral("印刷を開始できません。"));
    const PrinterMetrics metrics{QSize(target.width(), target.height()), target.logicalDpiX(),
                                 target.logicalDpiY()};
    PaintPrintPage(painter, metrics, picture, mode, scale, screenResolution(),
                   [&target] { return target.newPage(); });
    if (!painter.end())
        fail(QStringLiteral("印刷データを書き込めません。"));
}

void CupsPrinter::submit(const QString& pdfPath)
{
    QPrinter& current = printer();
    const QString name = current.printerName();
    if (name.isEmpty())
        fail(QStringLiteral("プリンタが選ばれていません。"));
    CupsOptions options;
    const QStringList chosen = current.printEngine()->property(CupsOptionsKey).toStringList();
    for (qsizetype i = 0; i + 1 < chosen.size(); i += 2)
        options.add(chosen[i].toUtf8(), chosen[i + 1].toUtf8());
    if (current.copyCount() > 1)
        options.add("copies", QByteArray::number(current.copyCount()));
    // An instance ("printer/instance") is printed on its queue.
    const QByteArray queue = name.section(u'/', 0, 0).toUtf8();
    const QByteArray title =
        current.docName().isEmpty() ? QByteArrayLiteral("Vistrel") : current.docName().toUtf8();
    const int job =
        cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(), QFile::encodeName(pdfPath).constData(),
                       title.constData(), options.count(), options.options());
    if (job <= 0)
        fail(QStringLiteral("%1: %2").arg(name, QString::fromUtf8(cupsLastErrorString())));
}

} // namespace vistrel
