// Picture-file writers at screen sizes, and the PNG row-filter measurement that chose
// PngCodec::DefaultFilters. Run: bench_output [--benchmark_filter=...]
#include "output/PictureFile.h"
#include "output/PngCodec.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <png.h>

#include <map>

using namespace vistrel;

namespace {

// A desktop: title bars with gradients, menus and lines of text, icons, and a photo.
QImage screenshot(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(236, 236, 236));
    QPainter p(&image);
    QLinearGradient title(0, 0, w, 0);
    title.setColorAt(0, QColor(30, 60, 140));
    title.setColorAt(1, QColor(120, 160, 220));
    for (int top = 0; top < h; top += h / 3) {
        p.fillRect(QRect(0, top, w, 28), title);
        p.setPen(Qt::black);
        p.setFont(QFont(QStringLiteral("Sans"), 10));
        for (int y = top + 48; y < top + h / 3 - 10; y += 18)
            p.drawText(20, y, QStringLiteral("ファイル(F)  編集(E)  表示(V)  The quick brown fox "
                                             "jumps over the lazy dog 0123456789 %1")
                                  .arg(y));
    }
    // A photo-like quarter: smooth colour with fine noise.
    quint32 seed = 12345;
    for (int y = h / 2; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = w / 2; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 28) - 8;
            row[x] = qRgb(qBound(0, x * 255 / w + n, 255), qBound(0, y * 255 / h + n, 255),
                          qBound(0, 128 + n * 2, 255));
        }
    }
    return image;
}

const QImage& picture(int w, int h)
{
    static std::map<std::pair<int, int>, QImage> cache;
    auto& image = cache[{w, h}];
    if (image.isNull())
        image = screenshot(w, h);
    return image;
}

void SaveAs(benchmark::State& state)
{
    const QImage& image = picture(int(state.range(1)), int(state.range(2)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.out"));
    for (auto _ : state)
        savePictureFile(image, int(state.range(0)), path);
    state.counters["bytes"] = double(QFileInfo(path).size());
}

void PngFilters(benchmark::State& state)
{
    const QImage& image = picture(1920, 1080);
    QByteArray out;
    for (auto _ : state)
        out = PngCodec::encode(image, int(state.range(1)), false, int(state.range(0)));
    state.counters["bytes"] = double(out.size());
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int type = 1; type <= 11; ++type)
        for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}})
            b->Args({type, w, h});
}

void filters(benchmark::internal::Benchmark* b)
{
    for (const int level : {-1, 1, 9})
        for (const int f : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                            PNG_FILTER_PAETH, PNG_FILTER_SUB | PNG_FILTER_UP, PNG_ALL_FILTERS})
            b->Args({f, level});
}

} // namespace

BENCHMARK(SaveAs)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(PngFilters)->Apply(filters)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the text in the screenshot
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
