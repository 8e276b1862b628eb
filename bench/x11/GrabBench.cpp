// grabScreen against a bare xcb_shm_get_image of the same area on the same
// connection. The Xvfb is 3840x2160, so both sizes are areas of one root.
#include "PrivateXvfb.h"
#include "capture/CaptureEngine.h"
#include "platform/x11/X11Platform.h"
#include "settings/Settings.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

vistrel::X11Platform* g_platform = nullptr;
xcb_connection_t* g_connection = nullptr;

void GrabScreen(benchmark::State& state)
{
    const QRect area(0, 0, int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        QImage image = g_platform->grabScreen(area);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(state.iterations() * area.width() * area.height() * 4);
}

void BareShmGetImage(benchmark::State& state)
{
    const auto width = uint16_t(state.range(0));
    const auto height = uint16_t(state.range(1));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(g_connection)).data->root;
    const int id = shmget(IPC_PRIVATE, std::size_t(width) * height * 4, IPC_CREAT | 0600);
    void* data = shmat(id, nullptr, 0);
    const xcb_shm_seg_t segment = xcb_generate_id(g_connection);
    std::free(
        xcb_request_check(g_connection, xcb_shm_attach_checked(g_connection, segment, id, 0)));
    shmctl(id, IPC_RMID, nullptr);
    for (auto _ : state) {
        std::free(
            xcb_shm_get_image_reply(g_connection,
                                    xcb_shm_get_image(g_connection, root, 0, 0, width, height, ~0u,
                                                      XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
                                    nullptr));
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(state.iterations() * width * height * 4);
    xcb_shm_detach(g_connection, segment);
    xcb_flush(g_connection);
    shmdt(data);
}

// The whole full-screen capture path without the wait: target, rectangle,
// grab, cursor and trimming, as a menu capture runs it.
void CaptureScreenPath(benchmark::State& state)
{
    vistrel::Settings settings;
    settings.ALL.WAITTIME = 0;
    QImage current;
    vistrel::CaptureEngine engine(*g_platform, settings, current);
    engine.options.Mouse = state.range(0) != 0;
    for (auto _ : state) {
        if (engine.CaptureScreen(vistrel::FullScreen) == 0)
            state.SkipWithError("capture failed");
        benchmark::DoNotOptimize(current.constBits());
    }
}

BENCHMARK(CaptureScreenPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BareShmGetImage)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(GrabScreen)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    vistrel::bench::PrivateXvfb server(QSize(3840, 2160));
    if (server.displayName().isEmpty()) {
        std::fprintf(stderr, "Xvfb could not be started; skipping the grab benchmark\n");
        return 0;
    }
    qputenv("DISPLAY", server.displayName());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    vistrel::X11Platform platform;
    g_platform = &platform;
    g_connection = app.nativeInterface<QNativeInterface::QX11Application>()->connection();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
