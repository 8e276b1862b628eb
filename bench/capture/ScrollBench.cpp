// Scroll capture, per step beyond the wait: the marker search, the matching of
// two grabs, the temporary frame write, and a whole 200-step scroll of a
// 1920x1080 target on the fake window system with the memory it holds while
// scrolling (the grab itself is bench_x11_grab's GrabScreen).
#include "capture/CaptureEngine.h"
#include "capture/scroll/FrameMatcher.h"
#include "capture/scroll/ScrollMarkers.h"
#include "capture/scroll/ScrollingCapture.h"
#include "edit/TempPictures.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;
constexpr int Notch = 60;

// Text-like rows: mostly background, every row different from the others.
QImage document(int height)
{
    QImage picture(Width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < Width; ++x)
            row[x] = ((x * 7 + y * 13) % 97) < 9 ? qRgb(y & 0xff, (y >> 8) & 0xff, x & 0xff)
                                                 : qRgb(250, 250, 250);
    }
    return picture;
}

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

void MarkerSearch(benchmark::State& state)
{
    QImage frame = document(Height);
    vistrel::ScrollMarkerState markers = vistrel::ScrollMarkerGeometry(Width, Height);
    markers.colours = vistrel::ScrollMarkerPaint;
    for (int i = 0; i < 3; ++i)
        frame.setPixel(markers.firstGroupX + i, Height - markers.markerY - Notch,
                       markers.colours[size_t(i)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(vistrel::FindScrollMarker(frame, markers));
}

void MatchStep(benchmark::State& state)
{
    const QImage doc = document(Height + Notch);
    const QImage before = doc.copy(0, 0, Width, Height);
    const QImage after = doc.copy(0, Notch, Width, Height);
    const vistrel::FrameRows beforeRows(before);
    for (auto _ : state) {
        // Each step hashes its new grab once; the previous one's rows are kept.
        const vistrel::FrameRows afterRows(after);
        const vistrel::FrameMatch match =
            vistrel::MatchFrames(before, beforeRows, after, afterRows);
        if (match.offset != Notch)
            state.SkipWithError("wrong offset");
    }
}

void TempFrameWrite(benchmark::State& state)
{
    QTemporaryDir folder;
    const vistrel::TempPictures temp([&folder] { return folder.path(); });
    const QImage frame = document(Height);
    for (auto _ : state)
        temp.WriteTempPicture(frame, vistrel::TempPictures::Kind::Scroll, 1);
}

// The most memory resident at any trace line of the steps, before stitching.
class MemoryWhileScrolling final : public vistrel::ScrollTrace {
public:
    qint64 kilobytes = 0;
    bool stitching = false;
    void clear() override {}
    void addLine(const QString& line) override
    {
        stitching = stitching || line.startsWith(QStringLiteral("初期高さ"));
        if (!stitching)
            kilobytes = std::max(kilobytes, residentKilobytes());
    }
};

// A repainting target, so that every step is measured by matching.
void ScrollOf200Steps(benchmark::State& state)
{
    constexpr int Steps = 200;
    const QImage doc = document(Height + Steps * Notch);
    vistrel::FakePlatform platform;
    platform.screen = QImage(Width, Height, QImage::Format_RGB32);
    const QRect client(0, 0, Width, Height);
    const vistrel::WindowId window = platform.addWindow({client, client, QStringLiteral("doc")});
    vistrel::Settings settings{};
    settings.ALL.AUTOSCROLL = true;
    QTemporaryDir folder;
    const vistrel::TempPictures temp([&folder] { return folder.path(); });
    QImage current;
    vistrel::CaptureEngine engine(platform, settings, current);
    engine.wait = [](int) {};
    engine.scrollFrames = &temp;
    MemoryWhileScrolling trace;
    engine.scrollTrace = &trace;
    qint64 heldKilobytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        int offset = 0;
        const auto show = [&] {
            for (int y = 0; y < Height; ++y)
                std::memcpy(platform.screen.scanLine(y), doc.constScanLine(y + offset),
                            size_t(Width) * 4);
        };
        show();
        platform.onWheel = [&](QPoint) {
            offset = std::min(offset + Notch, Steps * Notch);
            show();
        };
        current = QImage();
        trace = MemoryWhileScrolling();
        const qint64 before = residentKilobytes();
        state.ResumeTiming();
        if (engine.ScrollCapture(window, vistrel::ClientArea) == 0 ||
            current.height() != doc.height())
            state.SkipWithError("scroll capture failed");
        heldKilobytes = std::max(heldKilobytes, trace.kilobytes - before);
    }
    // Seconds per step, the final stitching of 13,080 rows included.
    state.counters["s_per_step"] =
        benchmark::Counter(double(Steps + 1) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["held_MB_while_scrolling"] = double(heldKilobytes) / 1024.0;
    state.counters["frame_MB"] = double(Width) * Height * 4 / (1024.0 * 1024.0);
}

BENCHMARK(MarkerSearch)->Unit(benchmark::kMicrosecond);
BENCHMARK(MatchStep)->Unit(benchmark::kMillisecond);
BENCHMARK(TempFrameWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollOf200Steps)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
