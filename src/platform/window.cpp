// The window and the frame loop as the game sees them: the frame in memory is
// made and dropped with the window, and each finished frame goes to the
// backend, which shows it, waits out the frame and reads the events.
#include "platform/platform.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/backend.h"
#include "platform/layer.h"

layer::Layer layer::L;

using namespace layer;

namespace {

// Outlive the window: the game sets them before opening it.
int gTargetFps = 0;
unsigned int gConfigFlags = 0;
int gWindowScale = 1;

constexpr int MAX_WINDOW_SCALE = 8;
// A frame larger than this either way is refused: the window could not show it.
constexpr int MAX_FRAME_SIDE = 16384;

}  // namespace

void SetTargetFPS(int fps)
{
    gTargetFps = fps > 0 ? fps : 0;
    if (L.open) BackendResetFrameClock();
}

void SetConfigFlags(unsigned int flags) { gConfigFlags = flags; }

void SetWindowScale(int scale) { gWindowScale = std::clamp(scale, 1, MAX_WINDOW_SCALE); }

bool InitWindow(int width, int height, const char* title)
{
    if (L.open) {
        std::fprintf(stderr, "delve: the window is already open\n");
        return true;
    }
    L = Layer{};
    if (width <= 0 || height <= 0 || width > MAX_FRAME_SIDE || height > MAX_FRAME_SIDE) {
        std::fprintf(stderr, "delve: cannot open a window: invalid size %dx%d\n", width, height);
        return false;
    }
    if (!BackendOpen(width, height, gWindowScale, (gConfigFlags & FLAG_FULLSCREEN_MODE) != 0, title ? title : ""))
        return false;
    L.width = width;
    L.height = height;
    // Half a page away from where a window's pixels start in theirs: a row copied
    // between places a few bytes apart in their pages would stall on every store.
    L.frameStore.assign(static_cast<size_t>(width) * static_cast<size_t>(height) + 1024, 0xFF000000u);
    L.frame = L.frameStore.data() + (2048 - reinterpret_cast<uintptr_t>(L.frameStore.data()) % 4096) % 4096 / 4;
    L.texelColumns.resize(static_cast<size_t>(width));
    L.open = true;
    BackendResetFrameClock();
    return true;
}

bool WindowShouldClose(void) { return !L.open || L.closeRequested; }

void CloseWindow(void)
{
    if (!L.open) return;
    BackendClose();
    L = Layer{};  // the textures, the captions and the font with it
}

bool IsWindowReady(void) { return L.open; }

void BeginDrawing(void) {}

void EndDrawing(void)
{
    if (!L.open) return;
    BackendPresent(L.frame, L.width, L.height);
    // F12 saves the frame just shown.
    if (L.screenshotRequested) {
        L.screenshotRequested = false;
        SaveNumberedScreenshot();
    }
    BackendWaitFrame(gTargetFps);
    PollInputEvents();
}

void SetWindowSize(int width, int height)
{
    if (!L.open || width <= 0 || height <= 0 || BackendIsFullscreen()) return;
    BackendSetWindowSize(width, height);
}

void ToggleFullscreen(void)
{
    if (L.open) BackendSetFullscreen(!BackendIsFullscreen());
}

bool IsWindowFullscreen(void) { return L.open && BackendIsFullscreen(); }
