// What the files of the SDL2 desktop backend share beyond backend.h: its
// state and the calls between them. sdl_backend.cpp opens and closes the
// window; sdl_present.cpp shows frames in it; sdl_clock.cpp keeps the frame
// clock; sdl_input.cpp, sdl_pad.cpp and sdl_place.cpp turn its events, pads
// and place into the layer's. No file outside src/backends/sdl/ includes SDL.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

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

extern SdlState gSdl;

// True under SDL's headless video drivers (dummy, offscreen): a window there
// is on no screen, with no usable area to fit and no place to remember.
bool SdlHeadless(void);
// True once the terminal closed (SIGHUP) since the window opened; on Windows,
// once the console asked the game to end (Ctrl+C, Ctrl+Break, its close).
bool SdlHungUp(void);

// ---- Gamepads (sdl_pad.cpp) and the window's place (sdl_place.cpp) -----------

// Starts and stops SDL's game controllers with the window.
void SdlOpenPads(void);
void SdlClosePads(void);
// Every event a poll takes: pads come and go, and their presses are kept until read.
void SdlPadEvent(const SDL_Event& e);
// The place BackendPlaceWindow asked for, kept on a screen; false when none
// was asked for. SDL's video runs.
bool SdlPlacementToOpen(int* x, int* y, bool* positioned, int* width, int* height);
// Notes the window's place and size as those to return to from fullscreen:
// at opening and before going fullscreen.
void SdlNoteWindowedPlace(void);

#ifdef _WIN32
// ---- Windows (sdl_windows.cpp) ------------------------------------------------

// From BackendOpen to BackendClose the console's Ctrl+C, Ctrl+Break and close
// end the game; a close waits for BackendClose, so a recording ends whole.
void SdlWatchConsole(void);
void SdlStopWatchingConsole(void);
// True once the console asked the game to end since SdlWatchConsole.
bool SdlConsoleEnded(void);
// The frame clock: Windows' performance counter in nanoseconds, and a sleep
// until a time on it (its C library sleeps to no such time).
long long SdlWindowsNanos(void);
void SdlWindowsSleepUntil(long long nanos);
#endif
