// The window and the frame loop as the game sees them: the frame in memory is
// made and dropped with the window, and each finished frame goes to the
// backend, which shows it, waits out the frame and reads the events.
#include "platform/platform.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/backend.h"
#include "platform/internal.h"
#include "render/frame.h"

platform::WindowState platform::W;
platform::InputState platform::In;

using namespace platform;

namespace {

// Outlive the window: the game sets them before opening it.
int gTargetFps = 0;
unsigned int gConfigFlags = 0;
int gWindowScale = 1;

}  // namespace

void SetTargetFPS(int fps)
{
    gTargetFps = fps > 0 ? fps : 0;
    if (W.open) BackendResetFrameClock(gTargetFps);
}

void SetConfigFlags(unsigned int flags) { gConfigFlags = flags; }

void SetWindowScale(int scale) { gWindowScale = std::clamp(scale, 1, MAX_WINDOW_SCALE); }

bool InitWindow(int width, int height, const char* title)
{
    if (W.open) {
        std::fprintf(stderr, "delve: the window is already open\n");
        return true;
    }
    W = WindowState{};
    In = InputState{};
    if (width <= 0 || height <= 0 || width > render::MAX_FRAME_SIDE || height > render::MAX_FRAME_SIDE) {
        std::fprintf(stderr, "delve: cannot open a window: invalid size %dx%d\n", width, height);
        return false;
    }
    render::SetProgramFolder(GetApplicationDirectory());
    if (!BackendOpen(width, height, gWindowScale, (gConfigFlags & FLAG_FULLSCREEN_MODE) != 0, title ? title : ""))
        return false;
    render::CreateFrame(width, height);
    render::LoadCaptionFont();
    W.open = true;
    BackendResetFrameClock(gTargetFps);
    return true;
}

bool WindowShouldClose(void) { return !W.open || W.closeRequested; }

void CloseWindow(void)
{
    if (!W.open) return;
    BackendClose();
    ForgetKeptFrame();
    ForgetPads();
    render::DestroyFrame();  // the textures, the captions and the font with it
    W = WindowState{};
    In = InputState{};
}

bool IsWindowReady(void) { return W.open; }

void BeginDrawing(void) {}

void EndDrawing(void)
{
    if (!W.open) return;
    BackendPresent(render::FramePixels(), render::FrameWidth(), render::FrameHeight());
    // F12 saves the frame just shown.
    if (W.screenshotRequested) {
        W.screenshotRequested = false;
        render::SaveNumberedScreenshot();
    }
    BackendWaitFrame(gTargetFps);
    PollInputEvents();
}

void SetWindowSize(int width, int height)
{
    if (!W.open || width <= 0 || height <= 0 || BackendIsFullscreen()) return;
    BackendSetWindowSize(width, height);
}

void ToggleFullscreen(void)
{
    if (W.open) BackendSetFullscreen(!BackendIsFullscreen());
}

bool IsWindowFullscreen(void) { return W.open && BackendIsFullscreen(); }

const char* GetApplicationDirectory(void)
{
    static std::string directory;
    static bool known = false;
    if (!known) {
        known = true;
        directory = BackendApplicationDirectory();
    }
    return directory.c_str();
}

std::vector<std::string> GetDataFilePlaces(const char* fileName)
{
    render::SetProgramFolder(GetApplicationDirectory());
    return render::DataFilePlaces(fileName ? fileName : "");
}
