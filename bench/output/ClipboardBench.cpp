// Clipboard copy and the work of serving a paste, for a 4K capture.
// Copy runs on a private Xvfb through Qt's X11 clipboard, so it includes the server's
// round trips; nothing is encoded until a type is asked for, which the Serve rows measure
// against the PNG writer of a file save (zlib's default level).
// Run: bench_clipboard [--benchmark_filter=...]
#include "../x11/PrivateXvfb.h"
#include "output/clipboard/ClipboardPicture.h"
#include "output/codecs/PngCodec.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace vistrel;

namespace {

// Windows with text over a smooth background: what a screen capture looks like to zlib.
QImage capture4K()
{
    QImage image(3840, 2160, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb(x * 255 / image.width(), y * 255 / image.height(), 160);
    }
    QPainter p(&image);
    for (int top = 100; top < image.height() - 400; top += 500) {
        p.fillRect(QRect(200, top, 1600, 400), QColor(240, 240, 240));
        for (int y = top + 40; y < top + 380; y += 20)
            p.drawText(220, y, QStringLiteral("ファイル(F) 編集(E) The quick brown fox %1").arg(y));
    }
    return image;
}

const QImage& picture()
{
    static const QImage image = capture4K();
    return image;
}

void Copy(benchmark::State& state)
{
    for (auto _ : state)
        copyPictureToClipboard(picture());
}

void ServePng(benchmark::State& state)
{
    for (auto _ : state) {
        const ClipboardPicture contents(picture());
        benchmark::DoNotOptimize(contents.data(QStringLiteral("image/png")));
    }
}

void ServeBmp(benchmark::State& state)
{
    for (auto _ : state) {
        const ClipboardPicture contents(picture());
        benchmark::DoNotOptimize(contents.data(QStringLiteral("image/bmp")));
    }
}

void SavePng(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PngCodec::encode(picture(), -1, false));
}

} // namespace

BENCHMARK(Copy)->Unit(benchmark::kMicrosecond);
BENCHMARK(ServePng)->Unit(benchmark::kMillisecond);
BENCHMARK(ServeBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(SavePng)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    const bench::PrivateXvfb server(QSize(1920, 1080));
    if (server.displayName().isEmpty()) {
        std::fprintf(stderr, "bench_clipboard: Xvfb did not start\n");
        return 1;
    }
    qputenv("DISPLAY", server.displayName());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    picture();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
