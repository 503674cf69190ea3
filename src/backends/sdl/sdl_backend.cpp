// The SDL2 desktop backend (backend.h): opening and closing the window,
// its size, fullscreen and the program's folder. The rest of the backend is
// in the files beside it (sdl_backend.h).
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "backends/sdl/sdl_backend.h"
#include "platform/backend.h"

SdlState gSdl;

namespace {

// The largest window side SDL's surfaces take.
constexpr long long MAX_WINDOW_SIDE = 16384;

const char* Reason(const char* text) { return (text && *text) ? text : "unknown error"; }

bool EnvironmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

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
    return !SdlHeadless() && SDL_GetDisplayUsableBounds(display, usable) == 0 && usable->w > 0 && usable->h > 0;
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

// Starts SDL's video on a display the player can see. Without a driver asked
// for by name the game wants a real display, and says so plainly when there
// is none instead of running unseen.
bool StartVideo()
{
#ifdef _WIN32
    // Windows always has its display.
    const bool driverAsked = true;
#else
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
    if (!driverAsked && SdlHeadless()) return Fail(std::string("no display could be opened; ") + HEADLESS_HINT);
    return true;
}

// Opens the window at a whole multiple of the frame, or where the player left
// it last time; the frame itself stays its size and is scaled only when presented.
bool OpenSdlWindow(int frameWidth, int frameHeight, int scale, bool fullscreen, const char* title)
{
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
    return true;
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
#endif
    if (!StartVideo()) return false;
    gHangUp = 0;
#ifdef _WIN32
    SdlWatchConsole();
#else
    std::signal(SIGHUP, OnHangUp);
#endif
    if (!OpenSdlWindow(frameWidth, frameHeight, scale, fullscreen, title)) return false;
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

#ifdef _WIN32
bool SdlHungUp(void) { return gHangUp != 0 || SdlConsoleEnded(); }
#else
bool SdlHungUp(void) { return gHangUp != 0; }
#endif

bool SdlHeadless(void)
{
    const char* d = SDL_GetCurrentVideoDriver();
    return d && (SDL_strcasecmp(d, "dummy") == 0 || SDL_strcasecmp(d, "offscreen") == 0);
}
