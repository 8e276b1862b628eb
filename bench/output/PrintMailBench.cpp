// Building a printed page and a mail message from a screen capture: the time the window
// waits before CUPS or sendmail take over.
// Run: bench_print_mail [--benchmark_filter=...]
#include "output/mail/MailMessage.h"
#include "output/print/PrintPage.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace vistrel;

namespace {

QImage capture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb(x & 0xff, y & 0xff, (x ^ y) & 0xff);
    }
    return image;
}

// One page at the printer's 1200 dots per inch, as the PDF handed to CUPS.
void PrintPage(benchmark::State& state)
{
    const QImage picture = capture(int(state.range(1)), int(state.range(2)));
    QTemporaryDir dir;
    TPrintOutMode mode;
    mode.HeaderOn = true;
    mode.HeaderText = QStringLiteral("Date:2026/01/02 03:04:05  USER:taro");
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("page.pdf")));
        printer.setResolution(1200);
        QPainter painter(&printer);
        PaintPrintPage(painter, {QSize(printer.width(), printer.height()), 1200, 1200}, picture,
                       mode, PrintScale(state.range(0)), 96.0);
        painter.end();
    }
}

// A full-screen bitmap attachment (6 MB) encoded into a message.
void MailMessage(benchmark::State& state)
{
    MailMessageParts parts;
    parts.to = QStringLiteral("friend@example.com");
    parts.subject = QStringLiteral("画面のキャプチャ");
    parts.attachmentName = QStringLiteral("ROVUDUV.bmp");
    parts.mediaType = "image/bmp";
    const QImage picture = capture(1920, 1080);
    parts.attachment = QByteArray(reinterpret_cast<const char*>(picture.constBits()),
                                  picture.sizeInBytes() * 3 / 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildMailMessage(parts));
}

} // namespace

BENCHMARK(PrintPage)
    ->Args({0, 1920, 1080}) // one dot per pixel
    ->Args({1, 1920, 1080}) // fit to page
    ->Args({2, 1920, 1080}) // screen size
    ->Args({1, 3840, 2160})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(MailMessage)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
