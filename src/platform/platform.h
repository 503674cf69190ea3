// The graphics-library layer: the window, the frame clock, input, drawing and
// textures, offered under the names and records the game is written against.
// The layer draws every frame into memory itself, the same on every platform,
// and leaves the window, the events and the clock to a small backend
// (backend.h; on the desktop, SDL2). Game code includes this header alone.
// The layer's own diagnostics go to standard error; standard output belongs to
// the game. Under SDL_VIDEODRIVER=dummy the desktop game runs headless.
#pragma once

#include <cstdint>

// ---- Records ---------------------------------------------------------------

struct Vector2 {
    float x;
    float y;
};

struct Color {
    unsigned char r;
    unsigned char g;
    unsigned char b;
    unsigned char a;
};

struct Rectangle {
    float x;
    float y;
    float width;
    float height;
};

// A texture owned by the layer; id 0 means "no texture".
struct Texture2D {
    unsigned int id;
    int width;
    int height;
};

// ---- Key and button codes ---------------------------------------------------

enum KeyboardKey {
    KEY_NULL = 0,
    KEY_MINUS = 45,  // the main row's '-'
    KEY_EQUAL = 61,  // the main row's '=' (with Shift, '+')
    KEY_A = 65,
    KEY_D = 68,
    KEY_S = 83,
    KEY_V = 86,
    KEY_W = 87,
    KEY_ESCAPE = 256,
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
// The next InitWindow opens its window at `scale` times the frame's size (1 to 8,
// clamped). Callable before InitWindow.
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

// ---- Input (state as of the last poll) -------------------------------------

// Key held at the last poll, or pressed since the poll before (a tap shorter
// than a frame counts as held for one frame).
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

// ---- Drawing (between BeginDrawing and EndDrawing) -------------------------

// Fills the whole frame with one colour.
void ClearBackground(Color color);
// Draws the source part of a texture into dest, rotated about origin (degrees), multiplied by tint.
void DrawTexturePro(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation, Color tint);
// Fills an axis-aligned rectangle given in whole frame pixels.
void DrawRectangle(int posX, int posY, int width, int height, Color color);
// Fills a triangle whose vertices run counter-clockwise on the screen.
void DrawTriangle(Vector2 v1, Vector2 v2, Vector2 v3, Color color);
// Draws text with its top-left corner at (posX, posY), fontSize pixels high, in
// the font the game ships (resources/DejaVuSans.ttf, looked for as the tiles are).
void DrawText(const char* text, int posX, int posY, int fontSize, Color color);

// ---- Textures and screenshots ----------------------------------------------

// Loads an image file into a texture. On failure warns once on standard error and
// returns a plain white 16x16 texture, so that tinted drawing stays visible.
Texture2D LoadTexture(const char* fileName);
// Releases a texture loaded by LoadTexture.
void UnloadTexture(Texture2D texture);
// Writes the frame drawn so far (or the last presented one) as a PNG file, at
// the frame's size whatever the window's. Returns false on failure.
bool TakeScreenshot(const char* fileName);

// ---- Files -----------------------------------------------------------------

// True when a regular file exists at the path.
bool FileExists(const char* fileName);
// Folder of the running executable, ending in '/', or "" when unknown.
const char* GetApplicationDirectory(void);

// ---- Diagnostics for tests and benchmarks ----------------------------------

// Number of quads and triangles drawn into the frame since InitWindow; those
// wholly off the frame, broken or facing away are not drawn and not counted.
uint64_t GetDrawnShapeCount(void);

// ---- Input snapshots, for recording and replaying demos --------------------

// The keys an InputFrame carries, in bit order: what the game reads, plus the
// main row's minus (45) and equal (61) keys, kept for zoom keys to come. New
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
