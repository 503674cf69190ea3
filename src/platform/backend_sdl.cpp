// The SDL2 desktop backend (backend.h): the window, showing finished frames
// scaled into it, the frame clock, fullscreen and the game's files. Its
// events are in backend_sdl_input.cpp. Nothing else in the game includes SDL.
#include <SDL.h>
#include <sys/stat.h>

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
#include <vector>

#include "platform/backend.h"
#include "platform/backend_sdl.h"
#include "platform/fit.h"

namespace {

// Everything the backend holds from BackendOpen to BackendClose.
struct SdlState {
    SDL_Window* window = nullptr;  // the one window
    bool fullscreen = false;       // desktop fullscreen now
    int windowedWidth = 0;         // the window's size before fullscreen, restored after it
    int windowedHeight = 0;
    bool barsDirty = true;   // the window's bars need painting black at the next present
    int presentedWidth = 0;  // window surface size at the last present
    int presentedHeight = 0;
    std::vector<int> shrinkColumns;  // frame column shown at each window column of a shrunk view
    int64_t frameEndNs = 0;          // where the schedule says the last frame ended, monotonic clock, nanoseconds
};

SdlState gSdl;

// The largest window side SDL's surfaces take.
constexpr long long MAX_WINDOW_SIDE = 16384;
// Data files larger than this are refused rather than read into memory.
constexpr long long MAX_DATA_FILE_BYTES = 256LL * 1024 * 1024;

const char* Reason(const char* text) { return (text && *text) ? text : "unknown error"; }

bool EnvironmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

bool Headless(const char* d) { return d && (SDL_strcasecmp(d, "dummy") == 0 || SDL_strcasecmp(d, "offscreen") == 0); }

// Where there is no display and no driver was asked for, SDL falls through to
// a headless driver and the game would run unseen, forever.
constexpr const char* HEADLESS_HINT = "to run headless, with no window, set SDL_VIDEODRIVER=dummy";
const std::string NO_DISPLAY =
    std::string("no display found (DISPLAY and WAYLAND_DISPLAY are not set); ") + HEADLESS_HINT;

// A closed terminal (SIGHUP) ends the game as a close request does, so a
// recording is finished and nothing is cut short. SDL itself turns SIGINT and
// SIGTERM into close requests; this one is ours.
volatile std::sig_atomic_t gHangUp = 0;
#ifndef _WIN32
void OnHangUp(int) { gHangUp = 1; }
#endif

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

// The display's usable area (the desktop less its panels); false where there
// is none to fit, as under the headless drivers.
bool UsableArea(int display, SDL_Rect* usable)
{
    return !Headless(SDL_GetCurrentVideoDriver()) && SDL_GetDisplayUsableBounds(display, usable) == 0 &&
           usable->w > 0 && usable->h > 0;
}

// The largest whole multiple of the frame, up to `asked`, whose window fits
// the display's usable area.
int ScaleThatFits(int asked, int width, int height)
{
    SDL_Rect usable{};
    if (!UsableArea(0, &usable)) return asked;
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
    SDL_Rect usable{};
    const int display = SDL_GetWindowDisplayIndex(gSdl.window);
    if (!UsableArea(display < 0 ? 0 : display, &usable)) return;
    *w = std::min(*w, usable.w);
    *h = std::min(*h, usable.h);
}

bool Fail(const std::string& reason)
{
    std::fprintf(stderr, "delve: cannot open a window: %s\n", Reason(reason.c_str()));
    BackendClose();
    return false;
}

// Copies the frame into the window surface at the view's place and size,
// nearest neighbour: at a whole multiple k each frame pixel becomes a k x k
// block (one row widened, then copied down k - 1 times); shrunk, each window
// pixel takes the frame pixel the inverse mapping gives for it. Both are
// 32-bit pixels with red, green and blue in the same places.
void ScaleFrameInto(SDL_Surface* screen, const FrameView& v, const uint32_t* src, int width, int height)
{
    const ptrdiff_t dstStride = screen->pitch / static_cast<int>(sizeof(uint32_t));
    uint32_t* dst = static_cast<uint32_t*>(screen->pixels) + v.y * dstStride + v.x;
    const size_t rowBytes = static_cast<size_t>(v.w) * sizeof(uint32_t);
    const int k = v.w / width;
    if (v.w == k * width && v.h == k * height) {
        for (int sy = 0; sy < height; ++sy) {
            const uint32_t* in = src + static_cast<ptrdiff_t>(sy) * width;
            uint32_t* row = dst + static_cast<ptrdiff_t>(sy) * k * dstStride;
            if (k == 1) {
                std::memcpy(row, in, rowBytes);
                continue;
            }
            uint32_t* out = row;
            if (k == 2) {
                for (int sx = 0; sx < width; ++sx, out += 2) out[0] = out[1] = in[sx];
            } else {
                for (int sx = 0; sx < width; ++sx)
                    for (int i = 0; i < k; ++i) *out++ = in[sx];
            }
            for (int r = 1; r < k; ++r) std::memcpy(row + r * dstStride, row, rowBytes);
        }
        return;
    }
    std::vector<int>& columns = gSdl.shrinkColumns;
    if (columns.size() != static_cast<size_t>(v.w)) {
        columns.resize(static_cast<size_t>(v.w));
        for (int dx = 0; dx < v.w; ++dx) {
            int fx = 0, fy = 0;
            WindowToFrame(v, width, height, v.x + dx, v.y, &fx, &fy);
            columns[static_cast<size_t>(dx)] = fx;
        }
    }
    for (int dy = 0; dy < v.h; ++dy) {
        int fx = 0, fy = 0;
        WindowToFrame(v, width, height, v.x, v.y + dy, &fx, &fy);
        const uint32_t* in = src + static_cast<ptrdiff_t>(fy) * width;
        uint32_t* out = dst + dy * dstStride;
        for (int dx = 0; dx < v.w; ++dx) out[dx] = in[columns[static_cast<size_t>(dx)]];
    }
}

// Now on the monotonic clock, in nanoseconds: the clock the frame wait sleeps on.
int64_t MonotonicNanos()
{
#ifdef _WIN32
    return SdlWindowsNanos();
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
#endif
}

}  // namespace

bool BackendOpen(int frameWidth, int frameHeight, int scale, bool fullscreen, const char* title)
{
    gSdl = SdlState{};
    // The layer paces frames itself: no vsync. Frames go to the display as
    // plain pixels (shared memory on X): left to itself SDL would show the
    // window's surface through an OpenGL texture, which without a graphics
    // card (Xvfb, virtual machines) costs several times as much for a large window.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
#ifdef _WIN32
    // The window in the screen's own pixels, not blurred by Windows' scaling.
    SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
    // Windows always has its display.
    const bool driverAsked = true;
#else
    // Without a driver asked for by name the game wants a real display, and
    // says so plainly when there is none instead of running unseen.
    const bool driverAsked = EnvironmentSet("SDL_VIDEODRIVER");
#endif
    if (!driverAsked) {
        const bool x11 = EnvironmentSet("DISPLAY"), wayland = EnvironmentSet("WAYLAND_DISPLAY");
        if (!x11 && !wayland) return Fail(NO_DISPLAY);
        if (wayland && !WaylandReachable() && !x11)
            return Fail("cannot reach the " + DisplayNamed() +
                        ": XDG_RUNTIME_DIR, the folder of its socket, is not set; " + HEADLESS_HINT);
        // Only X, or a Wayland display that cannot be reached: try X alone,
        // so a display that cannot be reached is reported as such rather than
        // by Wayland's complaints.
        if (!WaylandReachable()) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (driverAsked) return Fail(SDL_GetError());
        return Fail("cannot reach the " + DisplayNamed() + " (" + Reason(SDL_GetError()) + "); " + HEADLESS_HINT);
    }
    if (!driverAsked && Headless(SDL_GetCurrentVideoDriver()))
        return Fail(std::string("no display could be opened; ") + HEADLESS_HINT);
    gHangUp = 0;
#ifdef _WIN32
    SdlWatchConsole();
#else
    std::signal(SIGHUP, OnHangUp);
#endif

    // The window opens at a whole multiple of the frame, or where the player
    // left it last time; the frame itself stays its size and is scaled only
    // when presented.
    int placedX = 0, placedY = 0, placedW = 0, placedH = 0;
    bool positioned = false;
    const bool placed = SdlPlacementToOpen(&placedX, &placedY, &positioned, &placedW, &placedH);
    const int fits = placed ? 1 : ScaleThatFits(scale, frameWidth, frameHeight);
    const long long windowW = placed ? placedW : static_cast<long long>(frameWidth) * fits;
    const long long windowH = placed ? placedH : static_cast<long long>(frameHeight) * fits;
    if (windowW > MAX_WINDOW_SIDE || windowH > MAX_WINDOW_SIDE)
        return Fail("the window would be larger than 16384 pixels");
    Uint32 windowFlags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
    if (fullscreen) windowFlags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    const int x = positioned ? placedX : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    const int y = positioned ? placedY : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    gSdl.window = SDL_CreateWindow(title, x, y, static_cast<int>(windowW), static_cast<int>(windowH), windowFlags);
    if (!gSdl.window) return Fail(SDL_GetError());
    if (!SDL_GetWindowSurface(gSdl.window)) return Fail(SDL_GetError());  // where frames are presented
    gSdl.fullscreen = fullscreen;
    gSdl.windowedWidth = static_cast<int>(windowW);
    gSdl.windowedHeight = static_cast<int>(windowH);
    SdlNoteWindowedPlace();
    SdlOpenPads();
    return true;
}

void BackendClose(void)
{
    SdlClosePads();
    if (gSdl.window) SDL_DestroyWindow(gSdl.window);
    SDL_Quit();
#ifdef _WIN32
    SdlStopWatchingConsole();
#else
    std::signal(SIGHUP, SIG_DFL);
#endif
    gSdl = SdlState{};
}

// The bars are painted only when the window's surface changed size or the
// window was exposed or toggled, and otherwise only the frame's rectangle is
// sent to the display.
void BackendPresent(const uint32_t* pixels, int width, int height)
{
    SDL_Surface* screen = gSdl.window ? SDL_GetWindowSurface(gSdl.window) : nullptr;
    if (!screen) return;
    const FrameView v = FitFrame(screen->w, screen->h, width, height);
    if (v.w <= 0 || v.h <= 0) return;  // minimised: nothing to show
    const bool repaint = gSdl.barsDirty || screen->w != gSdl.presentedWidth || screen->h != gSdl.presentedHeight;
    if (repaint) {
        SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
        gSdl.shrinkColumns.clear();
    }
    const Uint32 format = screen->format->format;
    SDL_Rect dst{v.x, v.y, v.w, v.h};
    if (format == SDL_PIXELFORMAT_ARGB8888 || format == SDL_PIXELFORMAT_RGB888) {
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) return;
        ScaleFrameInto(screen, v, pixels, width, height);
        if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
    } else if (SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                                       width * 4, SDL_PIXELFORMAT_ARGB8888)) {
        // An unusual display: SDL converts, alpha ignored.
        SDL_SetSurfaceBlendMode(frame, SDL_BLENDMODE_NONE);
        SDL_BlitScaled(frame, nullptr, screen, &dst);
        SDL_FreeSurface(frame);
    }
    if (repaint)
        SDL_UpdateWindowSurface(gSdl.window);
    else
        SDL_UpdateWindowSurfaceRects(gSdl.window, &dst, 1);
    gSdl.barsDirty = false;
    gSdl.presentedWidth = screen->w;
    gSdl.presentedHeight = screen->h;
}

void BackendResetFrameClock(void) { gSdl.frameEndNs = MonotonicNanos(); }

// The sleep is to an absolute time, so a late wake-up (tens of microseconds)
// never adds up over frames, and nothing spins. A late frame moves the
// schedule instead of shortening the frames after it.
void BackendWaitFrame(int fps)
{
    if (fps <= 0) return;
    const int64_t deadline = gSdl.frameEndNs + 1000000000 / fps;
    if (MonotonicNanos() >= deadline) {
        gSdl.frameEndNs = MonotonicNanos();
        return;
    }
#ifdef _WIN32
    SdlWindowsSleepUntil(deadline);
#else
    const timespec until{static_cast<time_t>(deadline / 1000000000), static_cast<long>(deadline % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {}
#endif
    gSdl.frameEndNs = deadline;
}

void BackendWindowSize(int* width, int* height)
{
    *width = 0;
    *height = 0;
    if (gSdl.window) SDL_GetWindowSize(gSdl.window, width, height);
}

void BackendSetWindowSize(int width, int height)
{
    if (!gSdl.window || gSdl.fullscreen) return;
    KeepOnScreen(&width, &height);
    SDL_SetWindowSize(gSdl.window, width, height);
    gSdl.barsDirty = true;
}

bool BackendSetFullscreen(bool on)
{
    if (!gSdl.window) return false;
    if (on == gSdl.fullscreen) return true;
    if (on) {
        SDL_GetWindowSize(gSdl.window, &gSdl.windowedWidth, &gSdl.windowedHeight);
        SdlNoteWindowedPlace();
        if (SDL_SetWindowFullscreen(gSdl.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            std::fprintf(stderr, "delve: cannot go fullscreen: %s\n", Reason(SDL_GetError()));
            return false;
        }
    } else {
        if (SDL_SetWindowFullscreen(gSdl.window, 0) != 0) {
            std::fprintf(stderr, "delve: cannot leave fullscreen: %s\n", Reason(SDL_GetError()));
            return false;
        }
        KeepOnScreen(&gSdl.windowedWidth, &gSdl.windowedHeight);
        if (gSdl.windowedWidth > 0 && gSdl.windowedHeight > 0)
            SDL_SetWindowSize(gSdl.window, gSdl.windowedWidth, gSdl.windowedHeight);
    }
    gSdl.fullscreen = on;
    gSdl.barsDirty = true;
    return true;
}

bool BackendIsFullscreen(void) { return gSdl.window && gSdl.fullscreen; }

bool BackendReadFile(const char* path, std::vector<unsigned char>* bytes, std::string* reason)
{
    bytes->clear();
    struct stat st;
    std::FILE* f = nullptr;
    if (!path || !*path)
        *reason = "no file name given";
    else if (stat(path, &st) != 0)
        *reason = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))  // a pipe or a device could block or never end
        *reason = S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file";
    else if (st.st_size > MAX_DATA_FILE_BYTES)
        *reason = "the file is too large";
    else if (!(f = std::fopen(path, "rb")))
        *reason = std::strerror(errno);
    if (!f) return false;
    bytes->resize(static_cast<size_t>(st.st_size));
    bytes->resize(std::fread(bytes->data(), 1, bytes->size(), f));
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) *reason = "the file cannot be read";
    return ok;
}

std::string BackendApplicationDirectory(void)
{
    std::string directory;
    if (char* base = SDL_GetBasePath()) {
        directory = base;
        SDL_free(base);
#ifdef _WIN32
        // SDL's folder ends in Windows' separator.
        if (!directory.empty() && directory.back() != '\\' && directory.back() != '/') directory += '\\';
#else
        if (!directory.empty() && directory.back() != '/') directory += '/';
#endif
    }
    return directory;
}

void SdlBarsNeedPainting(void) { gSdl.barsDirty = true; }

#ifdef _WIN32
bool SdlHungUp(void) { return gHangUp != 0 || SdlConsoleEnded(); }
#else
bool SdlHungUp(void) { return gHangUp != 0; }
#endif

SDL_Window* SdlWindow(void) { return gSdl.window; }

void SdlPresentedSize(int* width, int* height)
{
    *width = gSdl.presentedWidth;
    *height = gSdl.presentedHeight;
}

// ---- Pause -------------------------------------------------------------------

void BackendIdle(int milliseconds)
{
    // A signal cuts the sleep short; the poll then sees what it asked for.
#ifdef _WIN32
    SdlWindowsSleepUntil(MonotonicNanos() + int64_t{milliseconds} * 1000000);
#else
    const timespec pause{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000};
    nanosleep(&pause, nullptr);
#endif
}

bool BackendNeedsRepaint(void) { return gSdl.window && gSdl.barsDirty; }
