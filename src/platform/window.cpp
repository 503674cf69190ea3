// The window and the frame clock: opening the window on the renderer that
// suits the machine, presenting frames, pacing them, and tearing it all down.
#include "platform/platform.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/fit.h"
#include "platform/layer.h"

namespace layer {

Layer L;

const char* Reason(const char* text) { return (text && *text) ? text : "unknown error"; }

}  // namespace layer

using namespace layer;

namespace {

// Outlive the window: the game sets them before opening it.
int gTargetFps = 0;
unsigned int gConfigFlags = 0;
int gWindowScale = 1;

constexpr int MAX_WINDOW_SCALE = 8;

bool Named(const char* value, const char* name) { return value && SDL_strcasecmp(value, name) == 0; }

bool EnvironmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

bool Headless(const char* driver) { return Named(driver, "dummy") || Named(driver, "offscreen"); }

// Where there is no display and no driver was asked for, SDL falls through to
// a headless driver and the game would run unseen, forever.
constexpr const char* HEADLESS_HINT = "to run headless, with no window, set SDL_VIDEODRIVER=dummy";
const std::string NO_DISPLAY =
    std::string("no display found (DISPLAY and WAYLAND_DISPLAY are not set); ") + HEADLESS_HINT;

// A closed terminal (SIGHUP) ends the game as a close request does, so a
// recording is finished and nothing is cut short. SDL itself turns SIGINT and
// SIGTERM into close requests; this one is ours.
volatile std::sig_atomic_t gHangUp = 0;
void OnHangUp(int) { gHangUp = 1; }

// Which display the environment names, for messages: "X display :1".
std::string DisplayNamed()
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    std::string named;
    if (wayland && *wayland) named = std::string("Wayland display ") + wayland;
    if (x11 && *x11) named += (named.empty() ? "" : " or ") + std::string("X display ") + x11;
    return named;
}

// Wayland's library looks for its socket under XDG_RUNTIME_DIR and complains
// on standard error itself when that is unset: decided here first, so the
// player reads one line of ours. A socket named by an absolute path needs no
// such folder.
bool WaylandReachable()
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return wayland && *wayland && (*wayland == '/' || EnvironmentSet("XDG_RUNTIME_DIR"));
}

// The largest whole multiple of the frame, up to `asked`, whose window fits
// the display's usable area (the desktop less its panels). Headless drivers
// have no screen to fit.
int ScaleThatFits(int asked, int width, int height)
{
    if (Headless(SDL_GetCurrentVideoDriver())) return asked;
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return asked;
    int scale = asked;
    while (scale > 1 && (width * scale > usable.w || height * scale > usable.h)) --scale;
    if (scale != asked)
        std::fprintf(stderr, "delve: a %dx%d window does not fit the %dx%d screen; using --scale %d (%dx%d)\n",
                     width * asked, height * asked, usable.w, usable.h, scale, width * scale, height * scale);
    return scale;
}

// A window size kept within the display's usable area, for a resize or a
// restore after fullscreen: a window larger than the screen hides its own
// title bar and close button.
void KeepOnScreen(int* w, int* h)
{
    if (Headless(SDL_GetCurrentVideoDriver())) return;
    SDL_Rect usable{};
    const int display = SDL_GetWindowDisplayIndex(L.window);
    if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return;
    *w = std::min(*w, usable.w);
    *h = std::min(*h, usable.h);
}

// Sets up the software frame: a surface in memory with SDL's software renderer drawing into it.
bool OpenSoftwareFrame(int width, int height)
{
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
bool OpenRenderer(int width, int height)
{
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

// Copies the frame into the window surface at the view's place and size,
// nearest neighbour: at a whole multiple k each frame pixel becomes a k x k
// block (one row widened, then copied down k - 1 times); shrunk, each window
// pixel takes the frame pixel the inverse mapping gives for it. Both are
// 32-bit pixels with red, green and blue in the same places.
void ScaleFrameInto(SDL_Surface* screen, const FrameView& v)
{
    const SDL_Surface* frame = L.frameSurface;
    const Uint32* src = static_cast<const Uint32*>(frame->pixels);
    const ptrdiff_t srcStride = frame->pitch / static_cast<int>(sizeof(Uint32));
    const ptrdiff_t dstStride = screen->pitch / static_cast<int>(sizeof(Uint32));
    Uint32* dst = static_cast<Uint32*>(screen->pixels) + v.y * dstStride + v.x;
    const size_t rowBytes = static_cast<size_t>(v.w) * sizeof(Uint32);
    const int k = v.w / L.width;
    if (v.w == k * L.width && v.h == k * L.height) {
        for (int sy = 0; sy < L.height; ++sy) {
            const Uint32* in = src + sy * srcStride;
            Uint32* row = dst + static_cast<ptrdiff_t>(sy) * k * dstStride;
            if (k == 1) {
                std::memcpy(row, in, rowBytes);
                continue;
            }
            Uint32* out = row;
            if (k == 2) {
                for (int sx = 0; sx < L.width; ++sx, out += 2) out[0] = out[1] = in[sx];
            } else {
                for (int sx = 0; sx < L.width; ++sx)
                    for (int i = 0; i < k; ++i) *out++ = in[sx];
            }
            for (int r = 1; r < k; ++r) std::memcpy(row + r * dstStride, row, rowBytes);
        }
        return;
    }
    if (L.shrinkColumns.size() != static_cast<size_t>(v.w)) {
        L.shrinkColumns.resize(static_cast<size_t>(v.w));
        for (int dx = 0; dx < v.w; ++dx) {
            int fx = 0, fy = 0;
            WindowToFrame(v, L.width, L.height, v.x + dx, v.y, &fx, &fy);
            L.shrinkColumns[static_cast<size_t>(dx)] = fx;
        }
    }
    const int* columns = L.shrinkColumns.data();
    for (int dy = 0; dy < v.h; ++dy) {
        int fx = 0, fy = 0;
        WindowToFrame(v, L.width, L.height, v.x, v.y + dy, &fx, &fy);
        const Uint32* in = src + fy * srcStride;
        Uint32* out = dst + dy * dstStride;
        for (int dx = 0; dx < v.w; ++dx) out[dx] = in[columns[dx]];
    }
}

// Shows the software frame in the window. The bars are painted only when the
// window's surface changed size or the window was exposed or toggled, and
// otherwise only the frame's rectangle is sent to the display.
void PresentSoftware()
{
    SDL_Surface* screen = SDL_GetWindowSurface(L.window);
    if (!screen) return;
    const FrameView v = FitFrame(screen->w, screen->h, L.width, L.height);
    if (v.w <= 0 || v.h <= 0) return;  // minimised: nothing to show
    const bool repaint = L.barsDirty || screen->w != L.presentedWidth || screen->h != L.presentedHeight;
    if (repaint) {
        SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
        L.shrinkColumns.clear();
    }
    const Uint32 format = screen->format->format;
    SDL_Rect dst{v.x, v.y, v.w, v.h};
    if (format == SDL_PIXELFORMAT_ARGB8888 || format == SDL_PIXELFORMAT_RGB888) {
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) return;
        ScaleFrameInto(screen, v);
        if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
    } else {
        SDL_BlitScaled(L.frameSurface, nullptr, screen, &dst);  // an unusual display: SDL converts
    }
    if (repaint)
        SDL_UpdateWindowSurface(L.window);
    else
        SDL_UpdateWindowSurfaceRects(L.window, &dst, 1);
    L.barsDirty = false;
    L.presentedWidth = screen->w;
    L.presentedHeight = screen->h;
}

// Shows the card's frame texture in the window, black around it.
void PresentRendered()
{
    SDL_SetRenderTarget(L.renderer, nullptr);
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(L.renderer, &w, &h);
    const FrameView v = FitFrame(w, h, L.width, L.height);
    SDL_SetRenderDrawColor(L.renderer, 0, 0, 0, 255);
    SDL_RenderClear(L.renderer);
    const SDL_Rect dst{v.x, v.y, v.w, v.h};
    if (v.w > 0 && v.h > 0) SDL_RenderCopy(L.renderer, L.frame, nullptr, &dst);
    SDL_RenderPresent(L.renderer);
    SDL_SetRenderTarget(L.renderer, L.frame);
}

// Releases whatever the window holds and forgets all per-window state.
void TearDown()
{
    CloseGamepads();
    ForgetKeptFrame();
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
    std::signal(SIGHUP, SIG_DFL);
    L = Layer{};
}

// Now on the monotonic clock, in nanoseconds: the clock the frame wait sleeps on.
int64_t MonotonicNanos()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void ResetFrameSchedule() { L.frameEndNs = MonotonicNanos(); }

// Sleeps until one frame period after the previous frame's end on the
// schedule. The sleep is to an absolute time, so a late wake-up (tens of
// microseconds) never adds up over frames, and nothing spins. A late frame
// moves the schedule instead of shortening the frames after it.
void WaitForFrameEnd()
{
    if (gTargetFps <= 0) return;
    const int64_t deadline = L.frameEndNs + 1000000000 / gTargetFps;
    if (MonotonicNanos() >= deadline) {
        L.frameEndNs = MonotonicNanos();
        return;
    }
    const timespec until{static_cast<time_t>(deadline / 1000000000), static_cast<long>(deadline % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {}
    L.frameEndNs = deadline;
}

}  // namespace

void SetTargetFPS(int fps)
{
    gTargetFps = fps > 0 ? fps : 0;
    if (L.open) ResetFrameSchedule();
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
    // The software frame goes to the display as plain pixels (shared memory
    // on X). Left to itself SDL would show the window's surface through an
    // OpenGL texture, which without a graphics card (Xvfb, virtual machines)
    // costs several times as much for a large window.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Without a driver asked for by name the game wants a real display, and
    // says so plainly when there is none instead of running unseen.
    const bool driverAsked = EnvironmentSet("SDL_VIDEODRIVER");
    if (!driverAsked) {
        const bool x11 = EnvironmentSet("DISPLAY"), wayland = EnvironmentSet("WAYLAND_DISPLAY");
        if (!x11 && !wayland) return fail(NO_DISPLAY.c_str());
        if (wayland && !WaylandReachable() && !x11) {
            const std::string reason = "cannot reach the " + DisplayNamed() +
                                       ": XDG_RUNTIME_DIR, the folder of its socket, is not set; " + HEADLESS_HINT;
            return fail(reason.c_str());
        }
        // Only X, or a Wayland display that cannot be reached: try X alone,
        // so a display that cannot be reached is reported as such rather than
        // by Wayland's complaints.
        if (!WaylandReachable()) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (driverAsked) return fail(SDL_GetError());
        const std::string reason =
            "cannot reach the " + DisplayNamed() + " (" + Reason(SDL_GetError()) + "); " + HEADLESS_HINT;
        return fail(reason.c_str());
    }
    if (!driverAsked && Headless(SDL_GetCurrentVideoDriver()))
        return fail((std::string("no display could be opened; ") + HEADLESS_HINT).c_str());
    gHangUp = 0;
    std::signal(SIGHUP, OnHangUp);

    // The window opens at a whole multiple of the frame, or where the player
    // left it last time; the frame itself stays width x height and is scaled
    // only when presented.
    WindowPlacement placed{};
    const bool restored = PlacementToOpen(&placed);
    const int scale = restored ? 1 : ScaleThatFits(gWindowScale, width, height);
    const long long windowW = restored ? placed.width : static_cast<long long>(width) * scale;
    const long long windowH = restored ? placed.height : static_cast<long long>(height) * scale;
    if (windowW > 16384 || windowH > 16384) return fail("the window would be larger than 16384 pixels");
    const bool fullscreen = (gConfigFlags & FLAG_FULLSCREEN_MODE) != 0 || (restored && placed.fullscreen);
    Uint32 windowFlags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
    if (fullscreen) windowFlags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    const int windowX = restored && placed.positioned ? placed.x : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    const int windowY = restored && placed.positioned ? placed.y : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    L.window = SDL_CreateWindow(title ? title : "", windowX, windowY, static_cast<int>(windowW),
                                static_cast<int>(windowH), windowFlags);
    if (!L.window) return fail(SDL_GetError());
    if (!OpenRenderer(width, height)) return fail(SDL_GetError());
    SDL_SetRenderDrawBlendMode(L.renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(L.renderer, 0, 0, 0, 255);
    SDL_RenderClear(L.renderer);
    IMG_Init(IMG_INIT_PNG);

    L.width = width;
    L.height = height;
    L.fullscreen = fullscreen;
    L.windowedWidth = static_cast<int>(windowW);
    L.windowedHeight = static_cast<int>(windowH);
    L.texelColumns.resize(static_cast<size_t>(width));
    AllocateBatch();
    L.open = true;
    NoteWindowedPlace();
    OpenGamepads();
    ResetFrameSchedule();
    return true;
}

bool WindowShouldClose(void) { return !L.open || L.closeRequested || gHangUp; }

void CloseWindow(void)
{
    if (!L.open) return;
    TearDown();
}

bool IsWindowReady(void) { return L.open; }

void BeginDrawing(void)
{
    if (!L.open) return;
    if (L.frame) SDL_SetRenderTarget(L.renderer, L.frame);
}

void EndDrawing(void)
{
    if (!L.open) return;
    FlushBatch();
    if (L.software) {
        SDL_RenderFlush(L.renderer);
        PresentSoftware();
    } else {
        PresentRendered();
    }
    // F12 saves the frame just shown.
    if (L.screenshotRequested) {
        L.screenshotRequested = false;
        SaveNumberedScreenshot();
    }
    WaitForFrameEnd();
    PollInputEvents();
}

void SetWindowSize(int width, int height)
{
    if (!L.open || L.fullscreen || width <= 0 || height <= 0) return;
    KeepOnScreen(&width, &height);
    SDL_SetWindowSize(L.window, width, height);
    L.barsDirty = true;
}

void ToggleFullscreen(void)
{
    if (!L.open) return;
    if (!L.fullscreen) {
        SDL_GetWindowSize(L.window, &L.windowedWidth, &L.windowedHeight);
        NoteWindowedPlace();
        if (SDL_SetWindowFullscreen(L.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            std::fprintf(stderr, "delve: cannot go fullscreen: %s\n", Reason(SDL_GetError()));
            return;
        }
        L.fullscreen = true;
    } else {
        if (SDL_SetWindowFullscreen(L.window, 0) != 0) {
            std::fprintf(stderr, "delve: cannot leave fullscreen: %s\n", Reason(SDL_GetError()));
            return;
        }
        L.fullscreen = false;
        KeepOnScreen(&L.windowedWidth, &L.windowedHeight);
        if (L.windowedWidth > 0 && L.windowedHeight > 0) SDL_SetWindowSize(L.window, L.windowedWidth, L.windowedHeight);
    }
    L.barsDirty = true;
}

bool IsWindowFullscreen(void) { return L.open && L.fullscreen; }

namespace layer {

void PresentFrame()
{
    if (!L.open) return;
    if (L.software)
        PresentSoftware();
    else
        PresentRendered();
}

}  // namespace layer
