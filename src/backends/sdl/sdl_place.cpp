// The SDL2 backend's window place (backend.h's BackendPlaceWindow and
// BackendWindowPlace) and the player's settings folder.
#include <SDL.h>

#include <algorithm>
#include <string>

#include "backends/sdl/sdl_backend.h"
#include "platform/backend.h"
#include "render/fit.h"

namespace {

struct Place {
    int x = 0, y = 0;
    bool positioned = false;
    int width = 0, height = 0;  // 0: none
};

Place gAsked;     // what the next window is asked to open at
Place gWindowed;  // where the window returns to from fullscreen

// The usable area (the desktop less its panels) of the display holding the
// point, or of the first display when none does; false when SDL knows none.
bool UsableAreaAround(int x, int y, bool positioned, SDL_Rect* area, bool* holds)
{
    *holds = false;
    for (int i = 0; positioned && i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect r{};
        if (SDL_GetDisplayUsableBounds(i, &r) != 0 || r.w <= 0 || r.h <= 0) continue;
        if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) {
            *area = r;
            *holds = true;
            return true;
        }
    }
    return SDL_GetDisplayUsableBounds(0, area) == 0 && area->w > 0 && area->h > 0;
}

// The window's place as a new window is placed: a window manager puts the
// corner of its frame (title bar and border) where a window is asked to
// open, so that corner is what is kept, or the window would creep down by its
// title bar at every start.
// On Windows, SDL itself places the window's inside, below its title bar, at
// the place asked for: there that corner is the one kept.
void FramePosition(SDL_Window* window, int* x, int* y)
{
    SDL_GetWindowPosition(window, x, y);
#ifndef _WIN32
    int top = 0, left = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, nullptr, nullptr) == 0) *x -= left, *y -= top;
#endif
}

}  // namespace

void BackendPlaceWindow(int x, int y, bool positioned, int width, int height)
{
    gAsked = width > 0 && height > 0 ? Place{x, y, positioned, width, height} : Place{};
}

bool SdlPlacementToOpen(int* x, int* y, bool* positioned, int* width, int* height)
{
    if (gAsked.width <= 0) return false;
    Place p = gAsked;
    // Kept on a screen: a window larger than the usable area hides its title
    // bar and close button, and one placed on a display that is gone would
    // open out of sight. Its middle picks the display.
    SDL_Rect area{};
    bool holds = false;
    if (!SdlHeadless() && UsableAreaAround(p.x + p.width / 2, p.y + p.height / 2, p.positioned, &area, &holds)) {
        const ScreenRect kept = KeepOnScreen({p.x, p.y, p.width, p.height}, {area.x, area.y, area.w, area.h}, holds);
        p.x = kept.x, p.y = kept.y, p.width = kept.w, p.height = kept.h;
        p.positioned = holds;
    }
    *x = p.x, *y = p.y, *positioned = p.positioned, *width = p.width, *height = p.height;
    return true;
}

void SdlNoteWindowedPlace(void)
{
    SDL_Window* window = gSdl.window;
    if (!window) return;
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) {
        // Opened fullscreen: it returns to the place it was asked to open at.
        if (!SdlPlacementToOpen(&gWindowed.x, &gWindowed.y, &gWindowed.positioned, &gWindowed.width, &gWindowed.height))
            gWindowed = Place{};
        return;
    }
    FramePosition(window, &gWindowed.x, &gWindowed.y);
    SDL_GetWindowSize(window, &gWindowed.width, &gWindowed.height);
    gWindowed.positioned = !SdlHeadless();
}

bool BackendWindowPlace(int* x, int* y, bool* positioned, int* width, int* height)
{
    SDL_Window* window = gSdl.window;
    // A headless window is on no screen: nothing to bring back.
    if (!window || SdlHeadless()) return false;
    Place p = gWindowed;
    if (!BackendIsFullscreen()) {
        FramePosition(window, &p.x, &p.y);
        p.positioned = true;
        BackendWindowSize(&p.width, &p.height);
    } else if (p.width <= 0) {
        BackendWindowSize(&p.width, &p.height);  // nothing better known
    }
    *x = p.x, *y = p.y, *positioned = p.positioned, *width = p.width, *height = p.height;
    return true;
}

std::string BackendSettingsDirectory(void)
{
    // $XDG_DATA_HOME/delve/, or ~/.local/share/delve/; SDL creates it.
    std::string folder;
    if (char* path = SDL_GetPrefPath("", "delve")) {
        folder = path;
        SDL_free(path);
    }
    return folder;
}
