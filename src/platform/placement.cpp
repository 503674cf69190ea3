// The window's place on the desktop, asked for before it opens and read back
// when the game ends, and the player's folder where the game keeps it.
#include <SDL.h>

#include <algorithm>
#include <string>

#include "platform/layer.h"
#include "platform/platform.h"

using namespace layer;

namespace {

bool gAsked = false;           // SetWindowPlacement was called
WindowPlacement gPlacement{};  // what it asked for
WindowPlacement gWindowed{};   // where the window returns to from fullscreen

bool HeadlessDriver()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (SDL_strcasecmp(driver, "dummy") == 0 || SDL_strcasecmp(driver, "offscreen") == 0);
}

// The usable area (the desktop less its panels) of the display holding the
// point, or of the first display when none does; false when SDL knows none.
bool UsableAreaAround(int x, int y, bool positioned, SDL_Rect* area, bool* holds)
{
    *holds = false;
    const int displays = SDL_GetNumVideoDisplays();
    for (int i = 0; positioned && i < displays; ++i) {
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

}  // namespace

void SetWindowPlacement(WindowPlacement placement)
{
    gAsked = placement.width > 0 && placement.height > 0;
    gPlacement = placement;
}

bool GetWindowPlacement(WindowPlacement* placement)
{
    if (!L.open || !placement || HeadlessDriver()) return false;
    if (L.fullscreen) {
        *placement = gWindowed;
        placement->width = L.windowedWidth;
        placement->height = L.windowedHeight;
        placement->fullscreen = true;
        return true;
    }
    *placement = WindowPlacement{};
    SDL_GetWindowSize(L.window, &placement->width, &placement->height);
    SDL_GetWindowPosition(L.window, &placement->x, &placement->y);
    placement->positioned = !HeadlessDriver();  // a headless window is nowhere
    return true;
}

const char* GetSettingsDirectory(void)
{
    static std::string folder;
    if (folder.empty()) {
        // $XDG_DATA_HOME/delve/, or ~/.local/share/delve/; SDL creates it.
        if (char* path = SDL_GetPrefPath("", "delve")) {
            folder = path;
            SDL_free(path);
        }
    }
    return folder.c_str();
}

namespace layer {

bool PlacementToOpen(WindowPlacement* placement)
{
    if (!gAsked) return false;
    *placement = gPlacement;
    if (HeadlessDriver()) return true;
    // Kept on a screen: a window larger than the usable area hides its title
    // bar and close button, and one placed on a display that is gone would
    // open out of sight. Its middle picks the display.
    SDL_Rect area{};
    bool holds = false;
    const int middleX = placement->x + placement->width / 2, middleY = placement->y + placement->height / 2;
    if (!UsableAreaAround(middleX, middleY, placement->positioned, &area, &holds)) return true;
    placement->width = std::min(placement->width, area.w);
    placement->height = std::min(placement->height, area.h);
    if (!holds) {
        placement->positioned = false;
        return true;
    }
    placement->x = std::clamp(placement->x, area.x, area.x + area.w - placement->width);
    placement->y = std::clamp(placement->y, area.y, area.y + area.h - placement->height);
    return true;
}

void NoteWindowedPlace()
{
    if (L.fullscreen) {
        // Opened fullscreen: it returns to the place it was asked to open at.
        WindowPlacement asked{};
        if (PlacementToOpen(&asked)) gWindowed = asked;
        gWindowed.fullscreen = false;
        return;
    }
    gWindowed = WindowPlacement{};
    SDL_GetWindowPosition(L.window, &gWindowed.x, &gWindowed.y);
    gWindowed.positioned = !HeadlessDriver();
}

}  // namespace layer
