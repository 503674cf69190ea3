// The one contract every backend implements (src/backends/<name>/), and what
// the layer offers it back. The renderer draws every frame into memory
// itself; a backend only opens the window, turns its events into the calls
// of the second half below, keeps the frame clock and shows finished frames.
// The desktop's is src/backends/sdl/, the browser's src/backends/web/, and
// src/backends/memory/ keeps frames in memory with no window. Plain C++ types only.
//
// The order of a run: BackendOpen; then per frame the layer draws, calls
// BackendPresent, BackendWaitFrame and BackendPollEvents (in EndDrawing);
// finally BackendClose. Every call other than BackendOpen comes only while
// the window is open, on the game's one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"  // PadButton

// ---- Provided by the backend, called by the layer --------------------------

// InitWindow: opens a window showing a frame of frameWidth x frameHeight at
// `scale` times that size (the backend may shrink it to fit the display, saying
// so in one line on standard error), or fullscreen. On failure prints one line
// "delve: cannot open a window: <reason>" on standard error, leaves nothing
// open and returns false.
bool BackendOpen(int frameWidth, int frameHeight, int scale, bool fullscreen, const char* title);
// CloseWindow: closes the window and releases everything BackendOpen took.
void BackendClose(void);
// EndDrawing, once per frame: shows a finished frame of width x height pixels,
// row by row from the top, each a 32-bit word 0xAARRGGBB (alpha ignored),
// scaled to the window as FitFrame says, black around it. The pixels are only
// read during the call.
void BackendPresent(const uint32_t* pixels, int width, int height);
// EndDrawing, after presenting: sleeps until 1/fps seconds after the end of
// the previous frame on the schedule (fps 0: unpaced, returns at once). A
// backend whose frames are driven by the host (a browser's animation frame)
// may return at once or yield to it.
void BackendWaitFrame(int fps);
// SetTargetFPS and InitWindow (after BackendOpen): the frame schedule starts
// afresh from now, at `fps` frames a second (0: unpaced). A backend whose
// frames the host drives learns the rate here, before the first frame.
void BackendResetFrameClock(int fps);
// PollInputEvents, once per frame after the wait: hands every event that came
// since the last call to the Layer* functions below, in the order they came.
void BackendPollEvents(void);
// The window's inner size, in the pixels the cursor positions are given in.
void BackendWindowSize(int* width, int* height);
// SetWindowSize: asks for a new inner window size; ignored in fullscreen.
void BackendSetWindowSize(int width, int height);
// ToggleFullscreen: fullscreen on or off (leaving it restores the earlier
// size). On failure says why on standard error and returns false.
bool BackendSetFullscreen(bool on);
// IsWindowFullscreen: true while the window is fullscreen.
bool BackendIsFullscreen(void);
// GetApplicationDirectory: the folder of the running program, ending in '/',
// or "" when there is none to tell.
std::string BackendApplicationDirectory(void);

// ---- Provided by the layer, called by the backend from BackendPollEvents ----

// A key went down (or repeated, when held) or up. `key` is the game's key code
// (platform.h's KEY_ names, keycodes.h's CODE_ names), by the key's place on
// the keyboard; `alt` is whether an Alt key was held with it. The layer
// itself answers F11 and Alt+Enter (fullscreen) and F12 (screenshot).
void LayerKey(int key, bool down, bool repeat, bool alt);
// A mouse button (0 left, 1 right, 2 middle, 3 and 4 the side buttons) went
// down or up with the cursor at (x, y), window pixels from the top-left.
void LayerMouseButton(int button, bool down, int x, int y);
// The cursor moved to (x, y), window pixels from the top-left.
void LayerCursor(int x, int y);
// The wheel turned by `notches`, up (away from the player) positive.
void LayerWheel(float notches);
// The window lost the keyboard: what was held is let go, since its release
// will not come.
void LayerFocusLost(void);
// The window was asked to close: close button, a signal that ends the game.
void LayerCloseRequested(void);
// True for a key the game or the layer answers (SetKeyBindings' keys, F11,
// F12): a browser keeps its own use of such a key from happening.
bool LayerKeyIsTheGames(int key);

// ---- Pause, gamepads and the window's place ---------------------------------
// A backend without these (a browser) gives them their plain meaning, noted at each.

// A paused game's poll, before BackendPollEvents: sleeps up to `milliseconds`
// (less when an event comes). Browser: returns at once, the host paces it.
void BackendIdle(int milliseconds);
// True when the window must be shown again though nothing was drawn: the
// desktop exposed or resized it since the last BackendPresent. Browser: false.
bool BackendNeedsRepaint(void);

// What the gamepads plugged in hold now, all of them together.
struct PadInput {
    int pads;            // how many are plugged in
    uint32_t held;       // bit PAD_x: held by some pad
    uint32_t pressed;    // bit PAD_x: went down since the last read, even if let go again
    float leftX;         // left stick, -1 (left) to 1 (right); 0 inside its dead zone
    float rightX;        // right stick, the same, and
    float rightY;        // -1 (up) to 1 (down)
    float leftTrigger;   // 0 (let go) to 1 (pulled all the way)
    float rightTrigger;  // the same
};

// PollInputEvents, after BackendPollEvents: the pads' state (pads come and go
// with the events). Browser: no gamepad, nothing held.
void BackendReadPads(PadInput* pads);

// Where the next BackendOpen opens its window instead of `scale` times the
// frame: inner size width x height and, when `positioned`, its top-left corner
// at (x, y) on the desktop; kept on a screen (moved and shrunk to fit one's
// usable area). Called before BackendOpen; width 0 forgets it. Browser: ignored.
void BackendPlaceWindow(int x, int y, bool positioned, int width, int height);
// The window's inner size and place now, or while fullscreen those it returns
// to; false for a window on no screen (headless). Browser: false.
bool BackendWindowPlace(int* x, int* y, bool* positioned, int* width, int* height);
// The player's own folder for the game's settings, ending in '/', created if
// need be; "" when there is none. Browser: "".
std::string BackendSettingsDirectory(void);
