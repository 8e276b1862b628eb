#include "browser/FileListModel.h"
#include "browser/ThumbnailLoader.h"
#include "edit/ImageDocument.h"
#include "output/PictureFile.h"
#include "output/codecs/JpegCodec.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int FolderSize = 2000;

// A full-HD picture with a screenshot's mix of flat areas and detail.
QImage Screenshot(int seed)
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(0xfff0f0f0);
    QPainter painter(&image);
    for (int i = 0; i < 40; ++i)
        painter.fillRect((i * 97 + seed * 31) % 1800, (i * 53) % 1000, 120, 60,
                         QColor::fromHsv((i * 37 + seed) % 360, 160, 200));
    painter.drawText(QRect(0, 0, 1920, 1080), Qt::TextWordWrap,
                     QString(4000, QChar(u'a' + seed % 26)));
    return image;
}

// 2,000 screenshot names in one folder: a few real PNG files, the rest hard links to
// them, so that listing stats 2,000 entries without filling the disk.
QString ScreenshotFolder()
{
    static QTemporaryDir folder;
    static bool made = false;
    if (!made) {
        for (int i = 0; i < 8; ++i)
            Screenshot(i).save(folder.filePath(QStringLiteral("real%1.png").arg(i)));
        for (int i = 0; i < FolderSize; ++i) {
            const QByteArray from =
                QFile::encodeName(folder.filePath(QStringLiteral("real%1.png").arg(i % 8)));
            const QByteArray to = QFile::encodeName(
                folder.filePath(QStringLiteral("Vist%1.png").arg(i, 4, 10, QLatin1Char('0'))));
            if (::link(from.constData(), to.constData()) != 0)
                std::abort();
        }
        for (int i = 0; i < 8; ++i)
            QFile::remove(folder.filePath(QStringLiteral("real%1.png").arg(i)));
        made = true;
    }
    return folder.path();
}

// A folder shown anew: listing, sizes, dates and the name sort, as the pane does it.
void BM_ListFolder(benchmark::State& state)
{
    const QString folder = ScreenshotFolder();
    for (auto _ : state) {
        vistrel::FileListModel model;
        model.FillFileList(folder);
        if (model.rowCount() != FolderSize)
            state.SkipWithError("wrong count");
        // The texts a details view shows for every row.
        for (int row = 0; row < model.rowCount(); ++row)
            for (int column = 0; column < 3; ++column)
                benchmark::DoNotOptimize(model.index(row, column).data());
    }
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

// A folder of 100,000 (empty) files where one new file appears, as a
// continuous save adds one: the whole folder listed again (arg 0, the former way) against
// the new name alone (arg 1). Both leave the same list.
QString LargeFolder()
{
    static QTemporaryDir folder;
    static bool made = false;
    if (!made) {
        for (int i = 0; i < 100000; ++i) {
            QFile file(
                folder.filePath(QStringLiteral("Vist%1.bmp").arg(i, 6, 10, QLatin1Char('0'))));
            if (!file.open(QIODevice::WriteOnly))
                std::abort();
        }
        made = true;
    }
    return folder.path();
}

void BM_NewFileInLargeFolder(benchmark::State& state)
{
    const QString folder = LargeFolder();
    vistrel::FileListModel model;
    model.FillFileList(folder);
    const QString name = QStringLiteral("New.bmp");
    for (auto _ : state) {
        state.PauseTiming();
        QFile(QDir(folder).filePath(name)).open(QIODevice::WriteOnly);
        state.ResumeTiming();
        if (state.range(0) == 0)
            model.FillFileList(folder);
        else
            model.updateFiles({name});
        state.PauseTiming();
        QFile::remove(QDir(folder).filePath(name));
        model.updateFiles({name});
        state.ResumeTiming();
    }
    if (model.rowCount() != 100000)
        state.SkipWithError("wrong count");
}
BENCHMARK(BM_NewFileInLargeFolder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Thumbnails of `count` screenshots made from an empty cache while a 5 ms timer ticks on
// the event loop: the longest gap between ticks is how long the window would freeze.
void BM_ThumbnailsWhileResponsive(benchmark::State& state)
{
    const QString folder = ScreenshotFolder();
    const int count = int(state.range(0));
    double longestGapMs = 0;
    for (auto _ : state) {
        QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        vistrel::ThumbnailLoader loader;
        int ready = 0;
        QEventLoop loop;
        QObject::connect(&loader, &vistrel::ThumbnailLoader::thumbnailReady, &loop, [&] {
            if (++ready == count)
                loop.quit();
        });
        for (int i = 0; i < count; ++i)
            loader.request(folder + QStringLiteral("/Vist%1.png").arg(i, 4, 10, QLatin1Char('0')));
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            longestGapMs = std::max(longestGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        tick.start();
        loop.exec();
    }
    state.counters["longest_gap_ms"] = longestGapMs;
    state.counters["thumbnails_per_s"] =
        benchmark::Counter(double(count) * double(state.iterations()), benchmark::Counter::kIsRate);
    qunsetenv("XDG_CACHE_HOME");
}
BENCHMARK(BM_ThumbnailsWhileResponsive)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

double ResidentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// A 3000 x 2000 camera-like JPEG: smooth light with fine grain, different for each seed.
QByteArray Photo(int seed)
{
    QImage image(3000, 2000, QImage::Format_RGB32);
    quint32 grain = 17u + quint32(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            grain = grain * 1664525u + 1013904223u;
            const int noise = int(grain >> 28);
            line[x] = qRgb((x / 12 + seed * 20 + noise) & 255, (y / 8 + noise) & 255,
                           ((x + y) / 20 + seed * 7) & 255);
        }
    }
    return vistrel::JpegCodec::encode(image, 90, false);
}

// 100 photos: ten real files and hard links to them, so that each step decodes a JPEG.
QString PhotoFolder()
{
    static QTemporaryDir folder;
    static bool made = false;
    if (!made) {
        for (int i = 0; i < 10; ++i) {
            QFile real(folder.filePath(QStringLiteral("real%1.jpg").arg(i)));
            if (!real.open(QIODevice::WriteOnly) || real.write(Photo(i)) < 0)
                std::abort();
        }
        for (int i = 0; i < 100; ++i) {
            const QByteArray from =
                QFile::encodeName(folder.filePath(QStringLiteral("real%1.jpg").arg(i % 10)));
            const QByteArray to = QFile::encodeName(
                folder.filePath(QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'))));
            if (::link(from.constData(), to.constData()) != 0)
                std::abort();
        }
        made = true;
    }
    return folder.path();
}

// A walk through 100 photos of 3000 x 2000 in the file pane, each shown in the one tab of
// opened pictures as a selection in the pane shows it (read, decoded, made the tab's
// picture and its view). Goals: resident memory within 150 MiB of its start, every step
// <= 150 ms. Argument: the view's size the picture is decoded for (0: full size).
void BM_WalkPhotos(benchmark::State& state)
{
    const QString folder = PhotoFolder();
    const QSize viewSize = state.range(0) == 0 ? QSize() : QSize(1280, 800);
    for (auto _ : state) {
        QTemporaryDir scratch;
        vistrel::TempPictures temp([&scratch] { return scratch.path(); });
        vistrel::ImageDocument document(temp, [] { return 10; });
        document.currentImage() = QImage(1920, 1080, QImage::Format_RGB32);
        document.currentImage().fill(Qt::white);
        document.AddCaptureTab(QStringLiteral("capture"));
        const double start = ResidentMiB();
        double highest = start;
        std::vector<double> stepMs;
        for (int i = 0; i < 100; ++i) {
            const QString path =
                folder + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
            QElapsedTimer step;
            step.start();
            const QImage picture = viewSize.isEmpty() ? vistrel::loadPictureFile(path)
                                                      : vistrel::loadPictureFile(path, viewSize);
            document.showOpenedPicture(picture, QStringLiteral("IMG"), path);
            stepMs.push_back(double(step.nsecsElapsed()) / 1e6);
            highest = std::max(highest, ResidentMiB());
        }
        std::sort(stepMs.begin(), stepMs.end());
        state.counters["rss_growth_MiB"] = highest - start;
        state.counters["rss_growth_goal_MiB"] = 150;
        state.counters["step_median_ms"] = stepMs[stepMs.size() / 2];
        state.counters["step_worst_ms"] = stepMs.back();
        state.counters["step_goal_ms"] = 150;
        state.counters["undo_depth"] = document.undoDepth();
        state.counters["tabs"] = double(document.tabs().size());
    }
}
BENCHMARK(BM_WalkPhotos)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
