// Input: the backend's events, handed over through backend.h's Layer*
// calls, turned into the key, button and cursor state that the game reads
// between two polls; and the snapshots of it that demos record and play.
#include "platform/platform.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/backend.h"
#include "platform/internal.h"
#include "render/fit.h"

using namespace platform;

static_assert(INPUT_FRAME_KEY_COUNT <= 32, "the key masks are 32 bits");

namespace {

// While a demo plays, the frame it applied last answers every query.
bool gPlayback = false;
InputFrame gPlayed{};

// The frame being played, or null when the queries answer from live input.
const InputFrame* PlayedInput(void) { return gPlayback ? &gPlayed : nullptr; }

// Whether `key` is one of the frame's keys and its bit is set in `mask`.
bool InputFrameHasKey(uint32_t mask, int key)
{
    for (int i = 0; i < INPUT_FRAME_KEY_COUNT; i++)
        if (INPUT_FRAME_KEYS[i] == key) return (mask >> i) & 1u;
    return false;
}

// Whether `key` is one of the keys a frame carries.
bool InputFrameCarries(int key)
{
    for (int k : INPUT_FRAME_KEYS)
        if (k == key) return true;
    return false;
}

}  // namespace

void LayerKey(int key, bool down, bool repeat, bool alt)
{
    if (!W.open || key <= KEY_NULL || key >= KEY_CODE_COUNT) return;
    // The keys the layer answers itself, F11 and Alt+Enter (fullscreen) and
    // F12 (screenshot), which the game never sees as keys.
    const bool toggle = key == CODE_F11 || (key == CODE_ENTER && alt);
    if (toggle || key == CODE_F12) {
        if (down && !repeat) {
            if (toggle)
                ToggleFullscreen();
            else
                W.screenshotRequested = true;
        }
        return;
    }
    if (down) {
        // A press counts even when the key is let go again before the next
        // poll, so a quick tap of a zoom key is never lost.
        if (!In.keyDown[key]) In.keyPressed[key] = true;
        In.keyDown[key] = true;
        if (key == KEY_ESCAPE && !repeat) W.closeRequested = true;
    } else {
        In.keyDown[key] = false;
    }
}

void LayerCursor(int x, int y)
{
    PadCursorTakenBack();  // the mouse has the cursor again
    In.mouseWindowX = x;
    In.mouseWindowY = y;
}

void LayerMouseButton(int button, bool down, int x, int y)
{
    if (!W.open) return;
    LayerCursor(x, y);
    if (button < 0 || button >= MOUSE_BUTTON_COUNT) return;
    // A click let go again before the next poll (a touchpad tap) still
    // counts as held for the frame that reads it.
    if (down && !In.buttonDown[button]) In.buttonPressed[button] = true;
    In.buttonDown[button] = down;
}

void LayerWheel(float notches) { In.wheel += notches; }

// Key and button releases are not delivered to a window without focus:
// forget what was held rather than keep walking.
void LayerFocusLost(void)
{
    std::fill(std::begin(In.keyDown), std::end(In.keyDown), false);
    std::fill(std::begin(In.buttonDown), std::end(In.buttonDown), false);
}

void LayerCloseRequested(void) { W.closeRequested = true; }

void PollInputEvents(void)
{
    if (!W.open) return;
    std::fill(std::begin(In.keyPressed), std::end(In.keyPressed), false);
    std::fill(std::begin(In.buttonPressed), std::end(In.buttonPressed), false);
    In.wheel = 0.0f;
    BeforePoll();
    BackendPollEvents();
    // The cursor in frame pixels through the window's present view, mapped
    // afresh at each poll so that a resize without a move still counts.
    int w = 0, h = 0;
    BackendWindowSize(&w, &h);
    int x = 0, y = 0;
    WindowToFrame(FitFrame(w, h, render::FrameWidth(), render::FrameHeight()), render::FrameWidth(),
                  render::FrameHeight(), In.mouseWindowX, In.mouseWindowY, &x, &y);
    In.mouse = Vector2{static_cast<float>(x), static_cast<float>(y)};
    ReadGamepads();
    AfterPoll();
}

// A demo being played answers every query; the live state keeps following the
// events only so that Escape and the close button still work.
// Keys a demo does not carry (P, F1) stay live, so a demo can be paused.
bool IsKeyDown(int key)
{
    const InputFrame* played = PlayedInput();
    if (played && InputFrameCarries(key)) return InputFrameHasKey(played->keysDown, key);
    // A key pressed since the poll before counts as held for this frame even
    // if it was let go again already: a quick tap is never lost.
    return key > 0 && key < KEY_CODE_COUNT && (In.keyDown[key] || In.keyPressed[key] || PadHoldsKey(key));
}

bool IsKeyPressed(int key)
{
    const InputFrame* played = PlayedInput();
    if (played && InputFrameCarries(key)) return InputFrameHasKey(played->keysPressed, key);
    return key > 0 && key < KEY_CODE_COUNT && In.keyPressed[key];
}

static_assert(MOUSE_BUTTON_COUNT <= 8, "an InputFrame holds 8 buttons");
bool IsMouseButtonDown(int button)
{
    if (button < 0 || button >= MOUSE_BUTTON_COUNT) return false;
    if (const InputFrame* played = PlayedInput()) return (played->buttonsDown >> button) & 1;
    return In.buttonDown[button] || In.buttonPressed[button] || PadHoldsButton(button);
}

Vector2 GetMousePosition(void)
{
    if (const InputFrame* played = PlayedInput()) return played->mouse;
    return In.mouse;
}

float GetMouseWheelMove(void)
{
    if (const InputFrame* played = PlayedInput()) return played->wheel;
    return In.wheel;
}

// Snapshots of the input, which demos record and play back.

InputFrame GetInputFrame(void)
{
    InputFrame f{};
    for (int i = 0; i < INPUT_FRAME_KEY_COUNT; i++) {
        if (IsKeyDown(INPUT_FRAME_KEYS[i])) f.keysDown |= 1u << i;
        if (IsKeyPressed(INPUT_FRAME_KEYS[i])) f.keysPressed |= 1u << i;
    }
    for (int b = 0; b < 8; b++)
        if (IsMouseButtonDown(b)) f.buttonsDown |= static_cast<uint8_t>(1u << b);
    f.mouse = GetMousePosition();
    f.wheel = GetMouseWheelMove();
    return f;
}

void SetInputPlayback(bool on)
{
    gPlayback = on;
    gPlayed = InputFrame{};
}

void ApplyInputFrame(const InputFrame* frame)
{
    if (gPlayback && frame) gPlayed = *frame;
}
