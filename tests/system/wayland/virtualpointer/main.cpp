// Moves the pointer of a wlroots compositor and clicks, through a virtual pointer, for tests
// (a headless compositor has no pointer of its own):
//   virtualpointer X Y LAYOUT_WIDTH LAYOUT_HEIGHT [BUTTON]   (BUTTON 1 left, 3 right)
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;
wl_seat* seat = nullptr;

void onGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
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

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fputs("usage: virtualpointer X Y LAYOUT_WIDTH LAYOUT_HEIGHT [BUTTON]\n", stderr);
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (manager == nullptr) {
        std::fputs("virtualpointer: the compositor has no virtual pointers\n", stderr);
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    // Clients bind to a new device a moment after it appears: its first event can be lost.
    settle(display, 200);
    const auto move = [&](uint32_t x) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, now++, x, uint32_t(std::atoi(argv[2])),
                                                uint32_t(std::atoi(argv[3])),
                                                uint32_t(std::atoi(argv[4])));
        zwlr_virtual_pointer_v1_frame(pointer);
        settle(display, 50);
    };
    const uint32_t x = uint32_t(std::atoi(argv[1]));
    move(x > 0 ? x - 1 : x + 1);
    move(x);
    if (argc > 5) {
        const uint32_t button = std::atoi(argv[5]) == 3 ? 0x111 : 0x110; // BTN_RIGHT, BTN_LEFT
        for (uint32_t state : {1u, 0u}) {
            zwlr_virtual_pointer_v1_button(pointer, now++, button, state);
            zwlr_virtual_pointer_v1_frame(pointer);
            settle(display, 50);
        }
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
