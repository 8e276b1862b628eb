#include "edit/ResamplePicture.h"
#include "edit/RotatePicture.h"
#include "edit/filters/AreaFilterKernels.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>

namespace {

QImage Picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(3);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            line[x] = 0xFF000000U | (random.generate() & 0xFFFFFFU);
        }
    }
    return image;
}

const QImage& Source(int width)
{
    static const QImage hd = Picture(1920, 1080);
    static const QImage uhd = Picture(3840, 2160);
    return width == 1920 ? hd : uhd;
}

// Arguments: source width (1920 or 3840), angle, threads (0 = the kernel's own choice).
void BM_Rotate(benchmark::State& state)
{
    const QImage& source = Source(static_cast<int>(state.range(0)));
    const int degrees = static_cast<int>(state.range(1));
    const int threads = static_cast<int>(state.range(2));
    for (auto _ : state) {
        QImage result = threads == 0 ? vistrel::RotatePicture(source, degrees, 0xFFFFFF)
                                     : vistrel::RotatePicture(source, degrees, 0xFFFFFF, threads);
        benchmark::DoNotOptimize(result);
    }
}

// Arguments: source width, percent, threads (0 = the kernel's own choice).
void BM_Resample(benchmark::State& state)
{
    const QImage& source = Source(static_cast<int>(state.range(0)));
    const int width = static_cast<int>(source.width() * state.range(1) / 100);
    const int height = static_cast<int>(source.height() * state.range(1) / 100);
    const int threads = static_cast<int>(state.range(2));
    for (auto _ : state) {
        QImage result = threads == 0 ? vistrel::ResamplePicture(source, width, height)
                                     : vistrel::ResamplePicture(source, width, height, threads);
        benchmark::DoNotOptimize(result);
    }
}

// Arguments: source width, tile size, 0 (the kernel's own thread choice). A whole command's
// work: the copy of the view, the 24-bit conversion and the tiles.
void BM_Mosaic(benchmark::State& state)
{
    const QImage& source = Source(static_cast<int>(state.range(0)));
    const int tile = static_cast<int>(state.range(1));
    for (auto _ : state) {
        QImage result = vistrel::ApplyAreaFilter(source, vistrel::FilterKind::Mosaic, tile,
                                                 std::nullopt, false);
        benchmark::DoNotOptimize(result);
    }
}

// Arguments: source width, colour choice (1 negative, 2 sepia, 3 grey), 0.
void BM_Colour(benchmark::State& state)
{
    const QImage& source = Source(static_cast<int>(state.range(0)));
    const int choice = static_cast<int>(state.range(1));
    for (auto _ : state) {
        QImage result = vistrel::ApplyAreaFilter(source, vistrel::FilterKind::Colour, choice,
                                                 std::nullopt, false);
        benchmark::DoNotOptimize(result);
    }
}

} // namespace

BENCHMARK(BM_Mosaic)
    ->ArgsProduct({{1920, 3840}, {10}, {0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Colour)
    ->ArgsProduct({{1920, 3840}, {1, 2, 3}, {0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Rotate)
    ->ArgsProduct({{1920, 3840}, {30, 33, 90}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Resample)
    ->ArgsProduct({{1920, 3840}, {75, 150}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
