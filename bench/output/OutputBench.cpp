// Picture-file writers at screen sizes, the PNG writer against bare libpng, the PNG
// row-filter measurement that chose the filters of each PNGZLIB choice, and the choices
// themselves against plain libpng (compare-png-choices).
// Run: bench_output [--benchmark_filter=...]
// bench_output --write-inputs=<folder> writes the test pictures as raw RGB and the two
// standard palettes as PPM files, for the comparison with ImageMagick (compare-imagemagick).
#include "output/PictureFile.h"
#include "output/codecs/PictureConversions.h"
#include "output/codecs/PngCodec.h"
#include "output/codecs/PngWriter.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QHeaderView>
#include <QLinearGradient>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstring>
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
            p.drawText(20, y,
                       QStringLiteral("ファイル(F)  編集(E)  表示(V)  The quick brown fox "
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

// A real screenshot's kind of content: a Qt main window with menus, a toolbar of icons, a
// file tree and a page of anti-aliased text, rendered on the offscreen platform.
QImage programWindow(int w, int h)
{
    QMainWindow window;
    for (const char* title :
         {"ファイル(&F)", "編集(&E)", "表示(&V)", "キャプチャ(&C)", "ヘルプ(&H)"})
        window.menuBar()->addMenu(QString::fromUtf8(title));
    QToolBar* tools = window.addToolBar(QStringLiteral("tools"));
    for (int i = 0; i < 24; ++i)
        tools->addAction(window.style()->standardIcon(QStyle::StandardPixmap(i % 60)),
                         QString::number(i));
    auto* tree = new QTreeWidget;
    tree->setHeaderLabels(
        {QStringLiteral("名前"), QStringLiteral("サイズ"), QStringLiteral("更新日時")});
    for (int i = 0; i < 80; ++i)
        tree->addTopLevelItem(new QTreeWidgetItem(
            {QStringLiteral("スクリーンショット_%1.png").arg(i, 3, 10, QLatin1Char('0')),
             QStringLiteral("%1 KB").arg(37 * i % 900 + 12),
             QStringLiteral("2024-01-%1 12:%2")
                 .arg(i % 28 + 1)
                 .arg(i % 60, 2, 10, QLatin1Char('0'))}));
    auto* text = new QPlainTextEdit;
    QString page;
    for (int i = 0; i < 120; ++i)
        page += QStringLiteral("%1: The quick brown fox jumps over the lazy dog. "
                               "画面キャプチャが正常に完了しました。 int main() { return %1; }\n")
                    .arg(i);
    text->setPlainText(page);
    auto* splitter = new QSplitter;
    splitter->addWidget(tree);
    splitter->addWidget(text);
    splitter->setSizes({w / 3, 2 * w / 3});
    window.setCentralWidget(splitter);
    window.statusBar()->showMessage(QStringLiteral("画面キャプチャが正常に完了しました"));
    window.resize(w, h);
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A photograph from a Debian package (mate-backgrounds), or the file in VISTREL_BENCH_PHOTO.
const QImage& photograph()
{
    static const QImage photo = [] {
        const QByteArray chosen = qgetenv("VISTREL_BENCH_PHOTO");
        const QString path = chosen.isEmpty()
                                 ? QStringLiteral("/usr/share/backgrounds/mate/nature/Storm.jpg")
                                 : QString::fromLocal8Bit(chosen);
        return QImage(path).convertToFormat(QImage::Format_RGB32);
    }();
    return photo;
}

// Picture 0 the program screenshot at 1920x1080, 1 the photograph.
const QImage& pngPicture(int which)
{
    static const QImage screen = programWindow(1920, 1080);
    return which == 0 ? screen : photograph();
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

// Arguments: filters, zlib level, picture (see pngPicture).
void PngFilters(benchmark::State& state)
{
    const QImage& image = pngPicture(int(state.range(2)));
    if (image.isNull()) {
        state.SkipWithError("no photograph: install mate-backgrounds or set VISTREL_BENCH_PHOTO");
        return;
    }
    QByteArray out;
    for (auto _ : state)
        out = PngCodec::encode(image, int(state.range(1)), false, int(state.range(0)));
    state.counters["bytes"] = double(out.size());
}

// The PNG writer at the default level, rows filtered on one thread against the bands it picks
// for the cores; BarePng is the same picture through libpng and zlib.
// Arguments: width, height, bands (0: its own choice).
void PngWriterBands(benchmark::State& state)
{
    const QImage& image = picture(int(state.range(0)), int(state.range(1)));
    QByteArray out;
    for (auto _ : state)
        out = WriteTruecolourPng(image, -1, false, PngCodec::DefaultFilters, int(state.range(2)));
    state.counters["bytes"] = double(out.size());
}

// The plain libpng path for an RGB32 picture: filler byte stripped by libpng, BGR order,
// straight into the file, at zlib level `level` with the given row filters (-1: libpng's).
void writeBarePng(const QImage& image, const char* path, int level, int filters)
{
    FILE* file = std::fopen(path, "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_compression_level(png, level);
        if (filters >= 0)
            png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
        png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
        png_set_bgr(png);
        for (int y = 0; y < image.height(); ++y)
            png_write_row(png, image.constScanLine(y));
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// Arguments: width, height, filters (-1: libpng's adaptive choice). Level -1 as SaveAs/10.
void BarePng(benchmark::State& state)
{
    const QImage& image = picture(int(state.range(0)), int(state.range(1)));
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("bare.png")));
    for (auto _ : state)
        writeBarePng(image, path.constData(), -1, int(state.range(2)));
    state.counters["bytes"] = double(QFileInfo(QString::fromLocal8Bit(path)).size());
}

// Arguments: PNGZLIB choice, picture (see pngPicture): the whole save as the program does it.
void PngChoice(benchmark::State& state)
{
    const QImage& image = pngPicture(int(state.range(1)));
    if (image.isNull()) {
        state.SkipWithError("no photograph: install mate-backgrounds or set VISTREL_BENCH_PHOTO");
        return;
    }
    PictureSaveOptions options;
    options.pngZlib = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("choice.png"));
    for (auto _ : state)
        savePictureFile(image, 10, path, options);
    state.counters["bytes"] = double(QFileInfo(path).size());
}

// Arguments: zlib level, picture: plain libpng with its own filter and strategy choices.
void PngPlain(benchmark::State& state)
{
    const QImage& image = pngPicture(int(state.range(1)));
    if (image.isNull()) {
        state.SkipWithError("no photograph: install mate-backgrounds or set VISTREL_BENCH_PHOTO");
        return;
    }
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("plain.png")));
    for (auto _ : state)
        writeBarePng(image, path.constData(), int(state.range(0)), -1);
    state.counters["bytes"] = double(QFileInfo(QString::fromLocal8Bit(path)).size());
}

// The two pictures of the PNG choice table as raw RGB, named with their sizes.
bool writePngInputs(const QString& folder)
{
    bool ok = QDir().mkpath(folder);
    for (const int which : {0, 1}) {
        const QImage rgb = pngPicture(which).convertToFormat(QImage::Format_RGB888);
        QFile file(QStringLiteral("%1/%2-%3x%4.rgb")
                       .arg(folder, which == 0 ? QStringLiteral("screenshot")
                                               : QStringLiteral("photograph"))
                       .arg(rgb.width())
                       .arg(rgb.height()));
        ok = ok && !rgb.isNull() && file.open(QIODevice::WriteOnly);
        for (int y = 0; ok && y < rgb.height(); ++y)
            ok = file.write(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                            qint64(rgb.width()) * 3) == qint64(rgb.width()) * 3;
    }
    return ok;
}

// Writes the inputs of the ImageMagick comparison; false when a file could not be written.
bool writeInputs(const QString& folder)
{
    bool ok = QDir().mkpath(folder);
    for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        const QImage rgb = picture(w, h).convertToFormat(QImage::Format_RGB888);
        QFile file(QStringLiteral("%1/screen-%2x%3.rgb").arg(folder).arg(w).arg(h));
        ok = ok && file.open(QIODevice::WriteOnly);
        for (int y = 0; ok && y < h; ++y)
            ok = file.write(reinterpret_cast<const char*>(rgb.constScanLine(y)), qint64(w) * 3) ==
                 qint64(w) * 3;
    }
    const auto palette = [&](const QList<QRgb>& colours, const QString& name) {
        QImage strip(int(colours.size()), 1, QImage::Format_RGB32);
        for (int i = 0; i < colours.size(); ++i)
            strip.setPixel(i, 0, colours[i]);
        return strip.save(folder + u'/' + name, "PPM");
    };
    ok = ok && palette(PictureConversions::standard16Palette(), QStringLiteral("palette16.ppm"));
    ok = ok && palette(PictureConversions::halftone256Palette(), QStringLiteral("palette256.ppm"));
    return ok;
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int type = 1; type <= 11; ++type)
        for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}})
            b->Args({type, w, h});
}

void filters(benchmark::internal::Benchmark* b)
{
    for (const int picture : {0, 1})
        for (const int level : {-1, 1, 9})
            for (const int f : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                                PNG_FILTER_PAETH, PNG_FILTER_SUB | PNG_FILTER_UP, PNG_ALL_FILTERS,
                                PNG_FILTER_NONE | PNG_FILTER_SUB, PNG_FILTER_NONE | PNG_FILTER_UP,
                                PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_UP})
                b->Args({f, level, picture});
}

} // namespace

BENCHMARK(SaveAs)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BarePng)
    ->Args({1920, 1080, -1})
    ->Args({1920, 1080, PNG_FILTER_UP})
    ->Args({3840, 2160, -1})
    ->Args({3840, 2160, PNG_FILTER_UP})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngWriterBands)
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 1})
    ->Args({3840, 2160, 0})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PngFilters)->Apply(filters)->Unit(benchmark::kMillisecond);
BENCHMARK(PngChoice)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(PngPlain)->ArgsProduct({{0, -1, 1, 9}, {0, 1}})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv); // fonts and widgets for the screenshots
    const QString inputsOption = QStringLiteral("--write-inputs=");
    const QString pngInputsOption = QStringLiteral("--write-png-inputs=");
    const QString argument = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (argument.startsWith(inputsOption))
        return writeInputs(argument.mid(inputsOption.size())) ? 0 : 1;
    if (argument.startsWith(pngInputsOption))
        return writePngInputs(argument.mid(pngInputsOption.size())) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
