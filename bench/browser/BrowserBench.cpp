#include "browser/FileListModel.h"
#include "browser/ThumbnailLoader.h"

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
