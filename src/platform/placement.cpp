// The window's place on the desktop, asked for before it opens and read back
// when the game ends, and the player's folder where the game keeps it: the
// layer's names for what the backend does.
#include "platform/backend.h"
#include "platform/internal.h"
#include "platform/platform.h"

using namespace platform;

void SetWindowPlacement(WindowPlacement placement)
{
    BackendPlaceWindow(placement.x, placement.y, placement.positioned, placement.width, placement.height);
    // Fullscreen goes with the other flags of the next InitWindow.
    if (placement.fullscreen) SetConfigFlags(FLAG_FULLSCREEN_MODE);
}

bool GetWindowPlacement(WindowPlacement* placement)
{
    if (!W.open || !placement) return false;
    WindowPlacement p{};
    if (!BackendWindowPlace(&p.x, &p.y, &p.positioned, &p.width, &p.height)) return false;
    p.fullscreen = IsWindowFullscreen();
    *placement = p;
    return true;
}

const char* GetSettingsDirectory(void)
{
    static std::string folder;
    if (folder.empty()) folder = BackendSettingsDirectory();
    return folder.c_str();
}
