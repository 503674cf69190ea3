// What the two files of the SDL2 desktop backend (backend_sdl.cpp,
// backend_sdl_input.cpp) share beyond backend.h, and what tests and
// benchmarks may look at of the window itself.
#pragma once

struct SDL_Window;
union SDL_Event;

// The bars around the frame are painted afresh at the next present (a new
// window size, or the desktop asked for a repaint).
void SdlBarsNeedPainting(void);
// True once the terminal closed (SIGHUP) since the window opened; on Windows,
// once the console asked the game to end (Ctrl+C, Ctrl+Break, its close).
bool SdlHungUp(void);
// The open window, or null: for tests that read what the window shows.
SDL_Window* SdlWindow(void);
// The window surface's size at the last present; 0 x 0 before the first.
void SdlPresentedSize(int* width, int* height);

// ---- Gamepads (backend_sdl_pad.cpp) and the window's place (backend_sdl_place.cpp)

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
// ---- Windows (backend_sdl_windows.cpp)

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
