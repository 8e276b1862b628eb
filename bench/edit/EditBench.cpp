#include "edit/ResamplePicture.h"
#include "edit/RotatePicture.h"
#include "edit/TempPictures.h"
#include "edit/UndoHistory.h"
#include "edit/filters/AreaFilterKernels.h"
#include "edit/filters/GaussianBlur.h"
#include "output/codecs/BmpFile.h"

#include <benchmark/benchmark.h>

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <vector>

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

// Window-like areas, text-like marks and a smooth field: what an undo list of captures holds.
QImage ScreenPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool mark = (x / 7 + y / 13) % 5 == 0 && x % 7 < 5 && y % 13 < 9;
            line[x] = mark ? qRgb(20, 20, 20)
                           : (x < width / 4 ? qRgb(x * 255 / width, 90, 160) : qRgb(240, 240, 240));
        }
    }
    return image;
}

double StatusMiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// The picture's pixels, format and size: the padding at the end of each row is no part of it.
QByteArray Digest(const QImage& image)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height()) +
                 '/' + QByteArray::number(int(image.format())));
    const qsizetype rowBytes = qsizetype(image.width()) * image.depth() / 8;
    for (int y = 0; y < image.height(); ++y)
        hash.addData(QByteArrayView(image.constScanLine(y), rowBytes));
    return hash.result();
}

// 100 edits on a 4K capture, rotations, mosaics of a window-sized area and resizes in turn,
// each kept for undo; then every step undone. Goal: resident memory <= 400 MiB, every undo
// the exact earlier picture.
void BM_UndoHundredEdits(benchmark::State& state)
{
    for (auto _ : state) {
        vistrel::UndoHistory history;
        std::vector<QByteArray> digests;
        QImage current = ScreenPicture(3840, 2160);
        history.push(current);
        digests.push_back(Digest(current));
        for (int step = 1; step <= 100; ++step) {
            if (step % 3 == 1) {
                current = vistrel::RotatePicture(current, 90, 0xFFFFFF);
            } else if (step % 3 == 2) {
                const QRect area(100 + step * 7, 80 + step * 5, 400, 300);
                current = vistrel::ApplyAreaFilter(current, vistrel::FilterKind::Mosaic, 10,
                                                   area & current.rect(), false);
            } else {
                const double scale = step % 2 == 0 ? 1.05 : 0.95;
                current = vistrel::ResamplePicture(current, int(current.width() * scale),
                                                   int(current.height() * scale));
            }
            history.push(current);
            digests.push_back(Digest(current));
        }
        state.counters["packed_MiB"] = double(history.packedBytes()) / (1 << 20);
        state.counters["rss_MiB"] = StatusMiB("VmRSS:");
        bool exact = true;
        for (size_t i = digests.size() - 1; i > 0; --i)
            exact = exact && Digest(history.dropNewest()) == digests[i - 1];
        state.counters["undo_exact"] = exact ? 1 : 0;
        state.counters["peak_rss_MiB"] = StatusMiB("VmHWM:");
        state.counters["rss_goal_MiB"] = 400;
    }
}

// Arguments: source width, sigma, threads (0 = the kernel's own choice).
void BM_Blur(benchmark::State& state)
{
    const QImage& source = Source(static_cast<int>(state.range(0)));
    const auto sigma = static_cast<double>(state.range(1));
    const int threads = static_cast<int>(state.range(2));
    for (auto _ : state) {
        QImage result = vistrel::GaussianBlurred(source, source.rect(), sigma, threads);
        benchmark::DoNotOptimize(result);
    }
}

// What an edit of a 4K tab costs the UI thread for the tab's scratch picture. Argument 0: the
// picture encoded and written in place, replaced atomically with a flush (the former way);
// 1: handed to the scratch writer.
void BM_TabScratchPicture(benchmark::State& state)
{
    const QImage& source = Source(3840);
    QTemporaryDir folder;
    const vistrel::TempPictures temp([&folder] { return folder.path(); });
    const QString path = temp.path(vistrel::TempPictures::Kind::Tab, 1);
    vistrel::BmpFile::write(source, path);
    for (auto _ : state) {
        if (state.range(0) == 0)
            vistrel::BmpFile::write(source, path);
        else
            temp.WriteTempPicture(source, vistrel::TempPictures::Kind::Tab, 1);
        state.PauseTiming();
        temp.waitForWrites();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_TabScratchPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UndoHundredEdits)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
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
    ->ArgsProduct({{1920, 3840}, {50, 75, 150}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_Blur)
    ->ArgsProduct({{1920, 3840}, {2, 8}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
