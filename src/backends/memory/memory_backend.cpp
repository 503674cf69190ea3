#include "backends/memory/memory_backend.h"

#include <unistd.h>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#define NOGDI
#include <windows.h>
#endif

#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "platform/backend.h"

namespace {

struct MemoryBackend {
    bool open = false;    // between BackendOpen and BackendClose
    int windowWidth = 0;  // the window's inner size, pixels
    int windowHeight = 0;
    bool fullscreen = false;                    // as BackendSetFullscreen left it
    std::vector<uint32_t> shown;                // the last frame presented
    int presents = 0;                           // frames presented since BackendOpen
    std::vector<std::function<void()>> events;  // queued for the next poll
};

MemoryBackend gMemory;
PadInput gPads{};  // what MemorySetPads said

}  // namespace

const std::vector<uint32_t>& MemoryShownFrame() { return gMemory.shown; }
int MemoryPresentCount() { return gMemory.presents; }
void MemoryQueueEvent(std::function<void()> event) { gMemory.events.push_back(std::move(event)); }
void MemorySetWindowSize(int width, int height)
{
    gMemory.windowWidth = width;
    gMemory.windowHeight = height;
}

bool BackendOpen(int frameWidth, int frameHeight, int scale, bool fullscreen, const char*)
{
    gMemory = MemoryBackend{true, frameWidth * scale, frameHeight * scale, fullscreen, {}, 0, {}};
    return true;
}

void BackendClose(void) { gMemory = MemoryBackend{}; }

void BackendPresent(const uint32_t* pixels, int width, int height)
{
    gMemory.shown.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    ++gMemory.presents;
}

void BackendWaitFrame(int) {}
void BackendResetFrameClock(int) {}

void BackendPollEvents(void)
{
    std::vector<std::function<void()>> events;
    events.swap(gMemory.events);
    for (const auto& e : events) e();
}

void BackendWindowSize(int* width, int* height)
{
    *width = gMemory.windowWidth;
    *height = gMemory.windowHeight;
}

void BackendSetWindowSize(int width, int height) { MemorySetWindowSize(width, height); }

bool BackendSetFullscreen(bool on)
{
    gMemory.fullscreen = on;
    return true;
}

bool BackendIsFullscreen(void) { return gMemory.fullscreen; }

#ifdef _WIN32
std::string BackendApplicationDirectory(void)
{
    char path[4096];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return "";
    std::string exe(path, n);
    return exe.substr(0, exe.find_last_of("\\/") + 1);
}
#else
std::string BackendApplicationDirectory(void)
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1);
}
#endif

// ---- Pause, gamepads and the window's place: a window on no screen, pads as a test says.

void BackendIdle(int) {}

bool BackendNeedsRepaint(void) { return false; }

void BackendReadPads(PadInput* pads)
{
    *pads = gPads;
    gPads.pressed = 0;  // a press is read once
}

void MemorySetPads(const PadInput& pads) { gPads = pads; }

void BackendPlaceWindow(int, int, bool, int, int) {}

bool BackendWindowPlace(int*, int*, bool*, int*, int*) { return false; }

std::string BackendSettingsDirectory(void) { return ""; }
