// Moves the pointer of a wlroots compositor and presses its buttons, through a virtual
// pointer, or of KWin through its fake input (granted by a desktop file), for tests (a
// headless compositor has no pointer of its own):
//   virtualpointer LAYOUT_WIDTH LAYOUT_HEIGHT STEP...
// where a STEP is X,Y (move there), press1, release1, click1, click3 (1 left, 3 right), or
// up:N (N wheel notches upwards).
#include "fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;
wl_seat* seat = nullptr;
org_kde_kwin_fake_input* fakeInput = nullptr;

void onGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 3)
        fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 3));
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr)
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

uint32_t now = 1;

void settle(wl_display* display, int milliseconds)
{
    wl_display_roundtrip(display);
    usleep(useconds_t(milliseconds) * 1000);
}

} // namespace

// The same steps through KWin's fake input, in layout coordinates.
bool runFakeStep(wl_display* display, const char* step)
{
    unsigned x = 0;
    unsigned y = 0;
    unsigned notches = 0;
    if (std::sscanf(step, "%u,%u", &x, &y) == 2) {
        org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int(int(x)),
                                                        wl_fixed_from_int(int(y)));
        settle(display, 50);
    } else if (std::sscanf(step, "up:%u", &notches) == 1) {
        for (unsigned i = 0; i < notches; ++i) {
            org_kde_kwin_fake_input_axis(fakeInput, 0, wl_fixed_from_int(-15));
            settle(display, 10);
        }
    } else {
        const bool press =
            std::strncmp(step, "press", 5) == 0 || std::strncmp(step, "click", 5) == 0;
        const bool release =
            std::strncmp(step, "release", 7) == 0 || std::strncmp(step, "click", 5) == 0;
        if (!press && !release)
            return false;
        const uint32_t button = step[std::strlen(step) - 1] == '3' ? 0x111 : 0x110;
        if (press) {
            org_kde_kwin_fake_input_button(fakeInput, button, 1);
            settle(display, 30);
        }
        if (release) {
            org_kde_kwin_fake_input_button(fakeInput, button, 0);
            settle(display, 30);
        }
    }
    return true;
}

bool runStep(wl_display* display, zwlr_virtual_pointer_v1* pointer, const char* step,
             uint32_t width, uint32_t height)
{
    unsigned x = 0;
    unsigned y = 0;
    if (std::sscanf(step, "%u,%u", &x, &y) == 2) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, now++, x, y, width, height);
        zwlr_virtual_pointer_v1_frame(pointer);
        settle(display, 50);
        return true;
    }
    unsigned notches = 0;
    if (std::sscanf(step, "up:%u", &notches) == 1) {
        for (unsigned i = 0; i < notches; ++i) {
            zwlr_virtual_pointer_v1_axis_source(pointer, 0); // the wheel
            zwlr_virtual_pointer_v1_axis_discrete(pointer, now++, 0, wl_fixed_from_int(-15), -1);
            zwlr_virtual_pointer_v1_frame(pointer);
            settle(display, 10);
        }
        return true;
    }
    const bool press = std::strncmp(step, "press", 5) == 0 || std::strncmp(step, "click", 5) == 0;
    const bool release =
        std::strncmp(step, "release", 7) == 0 || std::strncmp(step, "click", 5) == 0;
    if (!press && !release)
        return false;
    const uint32_t button = step[std::strlen(step) - 1] == '3' ? 0x111 : 0x110; // BTN_RIGHT/LEFT
    if (press) {
        zwlr_virtual_pointer_v1_button(pointer, now++, button, 1);
        zwlr_virtual_pointer_v1_frame(pointer);
        settle(display, 30);
    }
    if (release) {
        zwlr_virtual_pointer_v1_button(pointer, now++, button, 0);
        zwlr_virtual_pointer_v1_frame(pointer);
        settle(display, 30);
    }
    return true;
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: virtualpointer LAYOUT_WIDTH LAYOUT_HEIGHT STEP...\n", stderr);
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (manager == nullptr && fakeInput != nullptr) {
        org_kde_kwin_fake_input_authenticate(fakeInput, "virtualpointer", "tests");
        settle(display, 200);
        for (int i = 3; i < argc; ++i) {
            if (!runFakeStep(display, argv[i])) {
                std::fprintf(stderr, "virtualpointer: unknown step %s\n", argv[i]);
                return 2;
            }
        }
        wl_display_disconnect(display);
        return 0;
    }
    if (manager == nullptr) {
        std::fputs("virtualpointer: the compositor has no virtual pointers\n", stderr);
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    // Clients bind to a new device a moment after it appears: its first event can be lost.
    settle(display, 200);
    const auto width = uint32_t(std::atoi(argv[1]));
    const auto height = uint32_t(std::atoi(argv[2]));
    for (int i = 3; i < argc; ++i) {
        if (!runStep(display, pointer, argv[i], width, height)) {
            std::fprintf(stderr, "virtualpointer: unknown step %s\n", argv[i]);
            return 2;
        }
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
