// The graphics layer's private half: the one state record that its parts
// (window.cpp, input.cpp, draw.cpp, text.cpp, image.cpp) share, and the few
// helpers more than one part calls. Only src/platform/ includes it; the game
// sees the layer through platform/platform.h alone.
//
// Every frame is drawn into an off-screen picture of the frame's size and
// copied to the window, scaled to fit, when it is presented, so a screenshot
// taken between frames reads exactly what the player saw. With a graphics card that picture
// is a render-target texture; on SDL's software renderer it is a plain surface
// in memory, which also lets the tile quads be filled straight into it: SDL's
// software renderer would otherwise take each quad of a batch one by one,
// which at one pixel per tile costs more than the whole rest of a frame.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "platform/keymap.h"
#include "platform/platform.h"

namespace layer {

constexpr int MOUSE_BUTTON_COUNT = 8;

// A texture the layer owns, found by the id the game holds.
struct LoadedTexture {
    unsigned int id;             // the id handed out in Texture2D; never 0, never reused
    SDL_Texture* texture;        // the renderer's copy
    int width;                   // pixels
    int height;                  // pixels
    std::vector<Uint32> pixels;  // ARGB8888 copy for the software fill; empty otherwise
    bool opaque;                 // every texel of that copy has full alpha
    // Tinted copies of a small opaque texture (draw.cpp): TINT_SLOTS copies of
    // `pixels`, slot by tint, so that a quad in a tint met before costs a copy
    // per pixel instead of three multiplications. Empty for other textures.
    std::vector<Uint32> tinted;
    std::vector<Uint32> tintOfSlot;  // the packed tint each slot holds; 0 for an empty slot
};

// Tinted copies kept per texture, and the largest texture (in texels) they are kept for.
constexpr size_t TINT_SLOTS = 256;
constexpr int MAX_TINTED_TEXELS = 32 * 32;

// A caption rendered once and drawn again while it stays in the cache.
struct CachedText {
    std::string text;      // the UTF-8 text as the game passed it
    int size;              // font size, pixels high
    Color color;           // the colour it was rendered in
    SDL_Texture* texture;  // null when the text could not be rendered: not retried
    int width;             // pixels
    int height;            // pixels
    uint64_t lastUse;      // useClock at the last draw; the smallest is dropped first
};

// An opened font size.
struct CachedFont {
    int size;          // pixels high
    TTF_Font* font;    // the open font
    uint64_t lastUse;  // useClock at the last use; the smallest is closed first
};

enum class FontState { NotLooked, Ready, Missing };

// Texture coordinates (0 to 1) of a quad's left, right, top and bottom edges.
struct TexCoords {
    float left, right, top, bottom;
};

// How an unturned quad covers one axis of the frame, for the software fill
// (draw.cpp): the whole pixels whose centres it holds, and the texture under them.
struct AxisSpan {
    float e0, e1;    // the quad's first and second edge, window pixels
    float t0, t1;    // the texture coordinates (0 to 1) at those edges
    int first;       // first pixel covered, clipped to the frame
    int end;         // one past the last pixel covered, clipped to the frame
    double step;     // texture coordinate per pixel
    int firstTexel;  // index of the texel under the first pixel's centre
};

// Everything that lives from InitWindow to CloseWindow.
struct Layer {
    bool open = false;                    // between a successful InitWindow and CloseWindow
    bool closeRequested = false;          // close button, SIGINT/SIGTERM or Escape seen (SIGHUP: window.cpp)
    SDL_Window* window = nullptr;         // the one window
    SDL_Renderer* renderer = nullptr;     // draws into the frame below
    bool software = false;                // drawing on SDL's software renderer
    SDL_Texture* frame = nullptr;         // with a graphics card: the frame, a render target
    SDL_Surface* frameSurface = nullptr;  // in software: the frame, which the renderer draws into
    int width = 0;                        // frame width, pixels
    int height = 0;                       // frame height, pixels

    bool fullscreen = false;  // desktop fullscreen now
    int windowedWidth = 0;    // the window's size before fullscreen, restored after it
    int windowedHeight = 0;
    bool barsDirty = true;   // the window's bars need painting black at the next present
    int presentedWidth = 0;  // window surface size at the last present (software)
    int presentedHeight = 0;
    std::vector<int> shrinkColumns;    // frame column shown at each window column of a shrunk view
    bool screenshotRequested = false;  // F12 seen: save the next presented frame

    bool keyDown[KEY_CODE_COUNT] = {};            // by game key code: held at the last poll
    bool keyPressed[KEY_CODE_COUNT] = {};         // by game key code: went down since the poll before
    bool buttonDown[MOUSE_BUTTON_COUNT] = {};     // by game button code: held at the last poll
    bool buttonPressed[MOUSE_BUTTON_COUNT] = {};  // by game button code: went down since the poll before
    int mouseWindowX = 0;                         // cursor, window pixels from the top-left, y downward
    int mouseWindowY = 0;
    Vector2 mouse = {0.0f, 0.0f};  // the same in frame pixels, as of the last poll
    float wheel = 0.0f;            // wheel notches over the events of the last poll, up positive

    std::list<LoadedTexture> textures;  // every texture loaded and not yet unloaded

    // The batch of quads waiting for one submission, and the texture they use.
    std::vector<SDL_Vertex> vertices;            // four corners per quad, window pixels; allocated once
    std::vector<int> indices;                    // six per quad: two triangles; filled once
    size_t batchQuads = 0;                       // quads waiting
    unsigned int batchId = 0;                    // id of the texture they use; 0 for none
    SDL_Texture* batchTexture = nullptr;         // that texture's renderer copy
    float batchTextureWidth = 0.0f;              // pixels, to turn source rectangles into texture coordinates
    float batchTextureHeight = 0.0f;             // pixels
    bool batchUpright = true;                    // every quad of the batch is an unturned rectangle
    bool batchFilled = false;                    // the batch's quads went straight into the software frame
    const LoadedTexture* batchDirect = nullptr;  // the batch's texture when its quads go straight into the frame
    Rectangle lastSource{NAN, NAN, NAN, NAN};    // source rectangle of the last quad drawn straight into the frame
    TexCoords lastCoords{};                      // its texture coordinates
    bool fastFill = true;             // unturned quads are filled as they come (off: via the batch, for tests)
    AxisSpan lastRows{};              // the rows of the last quad the fill drew
    int lastRowsSize = 0;             // the height of its texture, texels
    Uint32* lastRowPixels = nullptr;  // where the first of those rows starts in the software frame
    Uint32 lastTexel = 0;             // the last texel tinted for a pixel-sized quad (ARGB8888)
    Uint32 lastTint = 0;              // the opaque tint it was tinted with, packed; 0 for none yet
    Uint32 lastTinted = 0;            // the result
    std::vector<int> texelColumns;    // scratch for the software fill, one entry per frame column

    uint64_t submissions = 0;  // geometry submissions to the renderer since InitWindow

    bool ttfStarted = false;                     // TTF_Init succeeded: TTF_Quit at teardown
    FontState fontState = FontState::NotLooked;  // whether a font was looked for, and found
    std::string fontPath;                        // the sans-serif font fontconfig named
    std::vector<CachedFont> fonts;               // opened sizes, at most a few
    std::vector<CachedText> texts;               // rendered captions, at most a few dozen
    uint64_t useClock = 0;                       // ticks once per cache use: the caches' notion of recency

    int64_t frameEndNs = 0;  // where the schedule says the last frame ended, monotonic clock, nanoseconds
};

extern Layer L;

// The text of a library's error, or "unknown error" when it gave none.
const char* Reason(const char* text);
// The game's colour record as SDL's.
inline SDL_Color ToSdl(Color c) { return SDL_Color{c.r, c.g, c.b, c.a}; }

// Quads of one texture gather in a batch until something else is drawn. The
// buffer is allocated once with the window, so frames allocate nothing; a frame
// that draws more (zoomed far out) is split into a few submissions.
constexpr size_t BATCH_QUADS = size_t{1} << 14;

// Positions beyond this are far outside any window; keeping them out of the
// renderer keeps its float-to-int conversions in range.
constexpr float MAX_COORDINATE = 16777216.0f;

// Where a source rectangle lies in the batch's texture (draw.cpp).
TexCoords SourceCoords(Rectangle source);
// Allocates the batch's buffers, once per window (draw.cpp).
void AllocateBatch();
// Submits the quads waiting in the batch, if any (draw.cpp). Everything that
// draws otherwise, reads the frame or drops a texture calls it first.
void FlushBatch();
// Whether unturned quads in software go straight into the frame (the fast
// way, the default) or through the batch and the plain fill; tests compare them (draw.cpp).
void SetDirectFill(bool on);
// Destroys the rendered captions and closes the fonts (text.cpp).
void ReleaseTextCaches();
// Saves the frame as screenshotNNN.png, the first free number, in the working
// folder and names it on standard error, or says there why it cannot (image.cpp).
void SaveNumberedScreenshot();

// ---- Pause, gamepad and the window's place (pause.cpp, gamepad.cpp, placement.cpp)

// Shows the frame again as it was last presented (window.cpp).
void PresentFrame();
// Around every poll's events: a paused game's slow poll, and the repaints and
// screenshots it answers itself.
void BeforePoll();
void AfterPoll();
// Drops the kept frame and ends event waiting, as the window closes.
void ForgetKeptFrame();
// Starts the gamepads' part of SDL; pads already plugged in are announced as
// the first events. Without it the game simply has no gamepad.
void OpenGamepads();
// Closes the pads and their part of SDL, before SDL shuts down.
void CloseGamepads();
// Every event a poll takes: the pads come and go, and the mouse takes the cursor back.
void GamepadEvent(const SDL_Event& e);
// After a poll's events: the pads' buttons and sticks into the key, button and cursor state.
void ReadGamepads();
// True while a pad holds the key or mouse button.
bool PadHoldsKey(int key);
bool PadHoldsButton(int button);
// The placement SetWindowPlacement asked for, kept on a screen, when it was
// asked for; SDL's video is running.
bool PlacementToOpen(WindowPlacement* placement);
// Notes where the window is now, as the place to return to: at opening and
// before going fullscreen.
void NoteWindowedPlace();

}  // namespace layer
