// What the two files of the SDL2 desktop backend (backend_sdl.cpp,
// backend_sdl_input.cpp) share beyond backend.h, and what tests and
// benchmarks may look at of the window itself.
#pragma once

struct SDL_Window;

// The bars around the frame are painted afresh at the next present (a new
// window size, or the desktop asked for a repaint).
void SdlBarsNeedPainting(void);
// True once the terminal closed (SIGHUP) since the window opened.
bool SdlHungUp(void);
// The open window, or null: for tests that read what the window shows.
SDL_Window* SdlWindow(void);
// The window surface's size at the last present; 0 x 0 before the first.
void SdlPresentedSize(int* width, int* height);
