// What the game calls: the window, the frame loop, input, and (handed on from
// render/render.h) drawing and textures, under the names and records the game
// is written against. Every frame is drawn in memory, the same on every
// platform (src/render/); the window, the events and the clock are a small
// backend's (backend.h; on the desktop, SDL2). Game code includes this header
// alone. The layer's own diagnostics go to standard error; standard output
// belongs to the game. Under SDL_VIDEODRIVER=dummy the desktop game runs headless.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/render.h"  // the records, drawing, textures, screenshots and FileExists

// ---- Key and button codes ---------------------------------------------------

enum KeyboardKey {
    KEY_NULL = 0,
    KEY_MINUS = 45,  // the main row's '-'
    KEY_EQUAL = 61,  // the main row's '=' (with Shift, '+')
    KEY_A = 65,
    KEY_D = 68,
    KEY_P = 80,  // pause
    KEY_S = 83,
    KEY_V = 86,
    KEY_W = 87,
    KEY_ESCAPE = 256,
    KEY_F1 = 290,  // the controls overlay
    KEY_KP_SUBTRACT = 333,
    KEY_KP_ADD = 334,
};

enum MouseButton {
    MOUSE_BUTTON_LEFT = 0,
    MOUSE_BUTTON_RIGHT = 1,
};

// ---- Vector arithmetic (single precision, per component) -------------------

// Sum of two vectors, each component rounded to float.
inline Vector2 Vector2Add(Vector2 a, Vector2 b) { return Vector2{a.x + b.x, a.y + b.y}; }
// Vector times a scalar, each component rounded to float.
inline Vector2 Vector2Scale(Vector2 v, float s) { return Vector2{v.x * s, v.y * s}; }

// Flags for SetConfigFlags.
enum ConfigFlags {
    FLAG_FULLSCREEN_MODE = 0x00000002,  // open the window fullscreen, on the whole desktop
};

// ---- Window and frame loop --------------------------------------------------
//
// The frame the game draws keeps the size given to InitWindow whatever the
// window's size: the window can be resized and made fullscreen, and shows the
// frame at the largest whole multiple that fits, centred between black bars
// (shrunk to fit, shape kept, in a window smaller than the frame). F11 and
// Alt+Enter toggle fullscreen and F12 saves the frame as screenshotNNN.png in
// the working folder; the layer handles those keys itself.

// Sets the frame rate EndDrawing paces to; 0 means unpaced. Callable before InitWindow.
void SetTargetFPS(int fps);
// Sets FLAG_ values for the next InitWindow. Callable before InitWindow.
void SetConfigFlags(unsigned int flags);
// The largest whole multiple of the frame a window opens at.
constexpr int MAX_WINDOW_SCALE = 8;
// The next InitWindow opens its window at `scale` times the frame's size (1 to
// MAX_WINDOW_SCALE, clamped). Callable before InitWindow.
void SetWindowScale(int scale);
// Opens the window, with a frame of width x height. Returns
// false (and says why on standard error) when no window can be had; every other
// call is then a harmless no-op.
bool InitWindow(int width, int height, const char* title);
// Resizes the window (not the frame); ignored in fullscreen.
void SetWindowSize(int width, int height);
// Toggles desktop fullscreen; leaving it restores the window's earlier size.
void ToggleFullscreen(void);
// True while the window is fullscreen.
bool IsWindowFullscreen(void);
// True once the window has been asked to close (close button, SIGINT/SIGTERM/SIGHUP) or Escape was pressed.
bool WindowShouldClose(void);
// Closes the window; textures still loaded are released with it.
void CloseWindow(void);
// True between a successful InitWindow and CloseWindow.
bool IsWindowReady(void);
// Starts a frame's drawing.
void BeginDrawing(void);
// Presents the frame, waits out the rest of the frame time, then polls input.
void EndDrawing(void);
// Reads pending events into the key, button and cursor state; EndDrawing calls it.
void PollInputEvents(void);

// ---- Pause, gamepad and the window's place ---------------------------------

// Keeps a copy of the frame: as drawn so far between BeginDrawing and
// EndDrawing, or as last shown between frames. A paused game shows it again.
void KeepFrame(void);
// Between BeginDrawing and EndDrawing: the frame becomes the copy KeepFrame
// kept (black when none was kept).
void DrawKeptFrame(void);
// While on, every poll first sleeps a twentieth of a second, and a window the
// desktop asks to repaint is shown again from the last presented frame (F12
// saves that frame at once): a paused game draws nothing until a key comes.
void EnableEventWaiting(void);
void DisableEventWaiting(void);
// True while the cursor was last moved by a gamepad's right stick rather than
// the mouse: the game then draws it, since no pointer shows where it is.
bool IsGamepadCursorShown(void);

// Where and how a window opens, or is now: its inner size and, when
// `positioned`, its top-left corner on the desktop; `fullscreen` on top.
// While fullscreen, the place and size are those it will return to.
struct WindowPlacement {
    int x;
    int y;
    bool positioned;  // x and y hold a place; otherwise the window opens centred
    int width;
    int height;
    bool fullscreen;
};

// The next InitWindow opens its window at this place and size instead of a
// multiple of the frame, kept on a screen (moved and shrunk to fit its usable
// area), fullscreen when asked. Callable before InitWindow.
void SetWindowPlacement(WindowPlacement placement);
// The open window's place, size and fullscreen; false when no window is open
// or it is headless, on no screen.
bool GetWindowPlacement(WindowPlacement* placement);
// The player's own folder for the game's settings, ending in '/', created if
// need be; "" when there is none (no home folder).
const char* GetSettingsDirectory(void);

// ---- The game's controls, as the layer must know them ------------------------

// The buttons of a gamepad the game can bind, as bits of a pad's masks.
enum PadButton {
    PAD_SOUTH,  // A on an Xbox pad, cross on a PlayStation one
    PAD_DPAD_LEFT,
    PAD_DPAD_RIGHT,
    PAD_LEFT_SHOULDER,
    PAD_RIGHT_SHOULDER,
    PAD_START,
    PAD_BACK,
    PAD_BUTTON_COUNT
};

// A key the game reads, and the gamepad button that stands for it.
struct KeyBinding {
    int key;        // a KEY_ name
    int padButton;  // the PadButton that holds and presses the key; -1 for none
};

// The most bindings SetKeyBindings keeps.
constexpr int MAX_KEY_BINDINGS = 32;
// The keys the game reads, each with the pad button that stands for it (the
// left stick stands for whatever the d-pad's left and right do); a browser
// keeps these keys from its own shortcuts. Replaces the bindings before; the
// table is copied, up to MAX_KEY_BINDINGS. Callable before InitWindow.
void SetKeyBindings(const KeyBinding* bindings, int count);

// ---- Input (state as of the last poll) -------------------------------------

// Key held at the last poll, or pressed since the poll before (a tap shorter
// than a frame counts as held for one frame). A gamepad holds and presses the
// keys it stands for (see README), so the game and demos see it as keys.
bool IsKeyDown(int key);
// Key held at the last poll and not at the poll before; a key pressed and let
// go again between two polls also counts, so a quick tap is not lost.
bool IsKeyPressed(int key);
// Mouse button held at the last poll, or pressed since the poll before (a
// click shorter than a frame counts as held for one frame).
bool IsMouseButtonDown(int button);
// Cursor position in frame pixels (origin top-left, y downward) at the last
// poll: the frame pixel shown under the cursor, in whole pixels. Over the bars
// around a scaled frame, or outside the window, it lies outside the frame.
Vector2 GetMousePosition(void);
// Wheel notches turned between the last poll and the one before: up (away from
// the player) positive, down negative.
float GetMouseWheelMove(void);

// ---- Files -----------------------------------------------------------------

// Folder of the running executable, ending in '/', or "" when unknown.
const char* GetApplicationDirectory(void);
// The places a data file of the game (a path such as "resources/tiles.png")
// is looked for, in order; LoadTexture and the font take the first that exists.
std::vector<std::string> GetDataFilePlaces(const char* fileName);

// ---- Input snapshots, for recording and replaying demos --------------------

// The keys an InputFrame carries, in bit order: what the game reads while it
// plays (the pause and the panel are left out, so a demo can be paused). New
// keys go at the end; the demo format's version says which list a file uses.
inline constexpr int INPUT_FRAME_KEYS[] = {KEY_A,           KEY_D,      KEY_W,     KEY_S,    KEY_V,
                                           KEY_KP_SUBTRACT, KEY_KP_ADD, KEY_MINUS, KEY_EQUAL};
inline constexpr int INPUT_FRAME_KEY_COUNT = static_cast<int>(sizeof INPUT_FRAME_KEYS / sizeof INPUT_FRAME_KEYS[0]);

// Everything the game can read of the input during one frame.
struct InputFrame {
    uint32_t keysDown;     // bit i: INPUT_FRAME_KEYS[i] held (IsKeyDown)
    uint32_t keysPressed;  // bit i: INPUT_FRAME_KEYS[i] pressed (IsKeyPressed)
    uint8_t buttonsDown;   // bit b: mouse button b held (IsMouseButtonDown)
    Vector2 mouse;         // cursor in window pixels (GetMousePosition)
    float wheel;           // wheel move; 0 until the layer reads the wheel
};

// The input the queries above answer with now, that is until the next poll.
InputFrame GetInputFrame(void);
// While on, the queries answer from the frame last applied (none: nothing held)
// and live keys and mouse are ignored; Escape, the close button and signals still close.
void SetInputPlayback(bool on);
// Makes the queries answer as `frame` says until the next call; only while playback is on.
void ApplyInputFrame(const InputFrame* frame);
