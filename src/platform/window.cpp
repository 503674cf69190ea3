// The window and the frame clock: opening the window on the renderer that
// suits the machine, presenting frames, pacing them, and tearing it all down.
#include "platform/platform.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <ctime>

#include "platform/layer.h"

namespace layer {

Layer L;

const char* Reason(const char* text) { return (text && *text) ? text : "unknown error"; }

}  // namespace layer

using namespace layer;

namespace {

// Outlives the window: the game sets its frame rate before opening it.
int gTargetFps = 0;

bool Named(const char* value, const char* name) { return value && SDL_strcasecmp(value, name) == 0; }

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Where there is no display and no driver was asked for, SDL falls through to
// a headless driver and the game would run unseen, forever.
constexpr const char* kNoDisplay =
    "no display found (DISPLAY and WAYLAND_DISPLAY are not set); to run without one, set SDL_VIDEODRIVER=dummy";

bool Headless(const char* driver) { return Named(driver, "dummy") || Named(driver, "offscreen"); }

// Sets up the software frame: a surface in memory with SDL's software renderer drawing into it.
bool OpenSoftwareFrame(int width, int height) {
    L.frameSurface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!L.frameSurface) return false;
    SDL_SetSurfaceBlendMode(L.frameSurface, SDL_BLENDMODE_NONE);  // presented as it is, alpha ignored
    L.renderer = SDL_CreateSoftwareRenderer(L.frameSurface);
    if (!L.renderer) return false;
    L.software = true;
    return SDL_GetWindowSurface(L.window) != nullptr;  // where frames are presented
}

// Chooses the renderer. Frames are drawn in memory by the layer's own fill,
// a few milliseconds even for the 120,000 tiles of zoom 1 on any machine,
// while OpenGL without a graphics card (Xvfb, virtual machines) takes over
// 150 ms for them. A graphics card's renderer is used only when asked for by
// name in SDL_RENDER_DRIVER, falling back to software when it cannot start.
bool OpenRenderer(int width, int height) {
    const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    if (Named(SDL_GetCurrentVideoDriver(), "dummy") || !asked || !*asked || Named(asked, "software"))
        return OpenSoftwareFrame(width, height);
    L.renderer = SDL_CreateRenderer(L.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (!L.renderer) return OpenSoftwareFrame(width, height);
    L.frame = SDL_CreateTexture(L.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
    if (!L.frame) return false;
    SDL_SetTextureBlendMode(L.frame, SDL_BLENDMODE_NONE);
    return SDL_SetRenderTarget(L.renderer, L.frame) == 0;
}

// Releases whatever the window holds and forgets all per-window state.
void TearDown() {
    ReleaseTextCaches();
    for (LoadedTexture& t : L.textures) SDL_DestroyTexture(t.texture);
    L.textures.clear();
    if (L.frame) SDL_DestroyTexture(L.frame);
    if (L.renderer) SDL_DestroyRenderer(L.renderer);
    if (L.frameSurface) SDL_FreeSurface(L.frameSurface);
    if (L.window) SDL_DestroyWindow(L.window);
    if (L.ttfStarted) TTF_Quit();
    IMG_Quit();
    SDL_Quit();
    L = Layer{};
}

// Now on the monotonic clock, in nanoseconds: the clock the frame wait sleeps on.
int64_t MonotonicNanos() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void ResetFrameSchedule() { L.frameEndNs = MonotonicNanos(); }

// Sleeps until one frame period after the previous frame's end on the
// schedule. The sleep is to an absolute time, so a late wake-up (tens of
// microseconds) never adds up over frames, and nothing spins. A late frame
// moves the schedule instead of shortening the frames after it.
void WaitForFrameEnd() {
    if (gTargetFps <= 0) return;
    const int64_t deadline = L.frameEndNs + 1000000000 / gTargetFps;
    if (MonotonicNanos() >= deadline) {
        L.frameEndNs = MonotonicNanos();
        return;
    }
    const timespec until{static_cast<time_t>(deadline / 1000000000), static_cast<long>(deadline % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    L.frameEndNs = deadline;
}

}  // namespace

void SetTargetFPS(int fps) {
    gTargetFps = fps > 0 ? fps : 0;
    if (L.open) ResetFrameSchedule();
}

bool InitWindow(int width, int height, const char* title) {
    if (L.open) {
        std::fprintf(stderr, "delve: the window is already open\n");
        return true;
    }
    L = Layer{};
    auto fail = [](const char* reason) {
        std::fprintf(stderr, "delve: cannot open a window: %s\n", Reason(reason));
        TearDown();
        return false;
    };
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "delve: cannot open a window: invalid size %dx%d\n", width, height);
        return false;
    }

    // The layer paces frames itself and draws pixel art: no vsync, no smoothing.
    // Batching is asked for explicitly because SDL turns it off whenever a
    // renderer is chosen by name or flags.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    // Without a driver asked for by name the game wants a real display, and
    // says so plainly when there is none instead of running unseen.
    const bool driverAsked = EnvironmentSet("SDL_VIDEODRIVER");
    if (!driverAsked) {
        const bool x11 = EnvironmentSet("DISPLAY"), wayland = EnvironmentSet("WAYLAND_DISPLAY");
        if (!x11 && !wayland) return fail(kNoDisplay);
        // Only X: try X alone, so a display that cannot be reached is
        // reported as such rather than by Wayland's complaints.
        if (!wayland) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (driverAsked) return fail(SDL_GetError());
        const std::string reason = std::string("cannot reach the display (") + Reason(SDL_GetError()) +
                                   "); to run without one, set SDL_VIDEODRIVER=dummy";
        return fail(reason.c_str());
    }
    if (!driverAsked && Headless(SDL_GetCurrentVideoDriver()))
        return fail("no display could be opened; to run without one, set SDL_VIDEODRIVER=dummy");

    L.window = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                SDL_WINDOW_SHOWN);
    if (!L.window) return fail(SDL_GetError());
    if (!OpenRenderer(width, height)) return fail(SDL_GetError());
    SDL_SetRenderDrawBlendMode(L.renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(L.renderer, 0, 0, 0, 255);
    SDL_RenderClear(L.renderer);
    IMG_Init(IMG_INIT_PNG);

    L.width = width;
    L.height = height;
    L.texelColumns.resize(static_cast<size_t>(width));
    AllocateBatch();
    L.open = true;
    ResetFrameSchedule();
    return true;
}

bool WindowShouldClose(void) { return !L.open || L.closeRequested; }

void CloseWindow(void) {
    if (!L.open) return;
    TearDown();
}

bool IsWindowReady(void) { return L.open; }

void BeginDrawing(void) {
    if (!L.open) return;
    if (L.frame) SDL_SetRenderTarget(L.renderer, L.frame);
}

void EndDrawing(void) {
    if (!L.open) return;
    FlushBatch();
    if (L.software) {
        SDL_RenderFlush(L.renderer);
        if (SDL_Surface* screen = SDL_GetWindowSurface(L.window)) {
            SDL_BlitSurface(L.frameSurface, nullptr, screen, nullptr);
            SDL_UpdateWindowSurface(L.window);
        }
    } else {
        SDL_SetRenderTarget(L.renderer, nullptr);
        SDL_RenderCopy(L.renderer, L.frame, nullptr, nullptr);
        SDL_RenderPresent(L.renderer);
        SDL_SetRenderTarget(L.renderer, L.frame);
    }
    WaitForFrameEnd();
    PollInputEvents();
}
