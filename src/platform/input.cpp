// Input: SDL's events turned into the key, button and cursor state that the
// game reads between two polls.
#include "platform/platform.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "platform/fit.h"
#include "platform/input_playback.h"
#include "platform/keymap.h"
#include "platform/layer.h"

using namespace layer;

namespace {

int ButtonFromSdl(Uint8 button)
{
    switch (button) {
        case SDL_BUTTON_LEFT: return MOUSE_BUTTON_LEFT;
        case SDL_BUTTON_RIGHT: return MOUSE_BUTTON_RIGHT;
        case SDL_BUTTON_MIDDLE: return 2;
        case SDL_BUTTON_X1: return 3;
        case SDL_BUTTON_X2: return 4;
        default: return -1;
    }
}

void ReleaseAllInput()
{
    std::fill(std::begin(L.keyDown), std::end(L.keyDown), false);
    std::fill(std::begin(L.buttonDown), std::end(L.buttonDown), false);
}

// The keys the layer answers itself, F11 and Alt+Enter (fullscreen) and F12
// (screenshot): true when the event was one of them, which the game then
// never sees as a key.
bool WindowKey(const SDL_KeyboardEvent& key, int32_t scancode)
{
    const bool toggle =
        scancode == SDL_SCANCODE_F11 || (scancode == SDL_SCANCODE_RETURN && (key.keysym.mod & KMOD_ALT));
    const bool screenshot = scancode == SDL_SCANCODE_F12;
    if (!toggle && !screenshot) return false;
    if (key.type == SDL_KEYDOWN && key.repeat == 0) {
        if (toggle)
            ToggleFullscreen();
        else
            L.screenshotRequested = true;
    }
    return true;
}

void HandleEvent(const SDL_Event& e)
{
    switch (e.type) {
        case SDL_QUIT: L.closeRequested = true; break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) L.closeRequested = true;
            // Key and button releases are not delivered to a window without
            // focus; forget what was held rather than keep walking.
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) ReleaseAllInput();
            // A new size or a repaint by the desktop: the bars are drawn afresh.
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || e.window.event == SDL_WINDOWEVENT_EXPOSED)
                L.barsDirty = true;
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // Read as a plain number: a pushed event may carry any value in this field.
            static_assert(sizeof(e.key.keysym.scancode) == sizeof(int32_t));
            int32_t scancode;
            std::memcpy(&scancode, &e.key.keysym.scancode, sizeof scancode);
            if (WindowKey(e.key, scancode)) break;
            const int key = KeyFromScancode(scancode);
            if (key == KEY_NULL) break;
            if (e.type == SDL_KEYDOWN) {
                // A press counts even when the key is let go again before the
                // next poll, so a quick tap of a zoom key is never lost.
                if (!L.keyDown[key]) L.keyPressed[key] = true;
                L.keyDown[key] = true;
                if (key == KEY_ESCAPE && e.key.repeat == 0) L.closeRequested = true;
            } else {
                L.keyDown[key] = false;
            }
            break;
        }
        case SDL_MOUSEMOTION:
            L.mouseWindowX = e.motion.x;
            L.mouseWindowY = e.motion.y;
            break;
        case SDL_MOUSEWHEEL: {
            // Up (away from the player) counts positive whatever the system's
            // scrolling direction; SDL hands fractional touchpad scrolls on in
            // whole notches.
            const int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            L.wheel += static_cast<float>(notches);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            L.mouseWindowX = e.button.x;
            L.mouseWindowY = e.button.y;
            const int b = ButtonFromSdl(e.button.button);
            if (b < 0) break;
            // A click let go again before the next poll (a touchpad tap)
            // still counts as held for the frame that reads it.
            if (e.type == SDL_MOUSEBUTTONDOWN && !L.buttonDown[b]) L.buttonPressed[b] = true;
            L.buttonDown[b] = (e.type == SDL_MOUSEBUTTONDOWN);
            break;
        }
        default: break;
    }
}

}  // namespace

void PollInputEvents(void)
{
    if (!L.open) return;
    std::fill(std::begin(L.keyPressed), std::end(L.keyPressed), false);
    std::fill(std::begin(L.buttonPressed), std::end(L.buttonPressed), false);
    L.wheel = 0.0f;
    BeforePoll();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        HandleEvent(e);
        GamepadEvent(e);
    }
    // The cursor in frame pixels through the window's present view, mapped
    // afresh at each poll so that a resize without a move still counts.
    int w = 0, h = 0;
    SDL_GetWindowSize(L.window, &w, &h);
    int x = 0, y = 0;
    WindowToFrame(FitFrame(w, h, L.width, L.height), L.width, L.height, L.mouseWindowX, L.mouseWindowY, &x, &y);
    L.mouse = Vector2{static_cast<float>(x), static_cast<float>(y)};
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
    return key > 0 && key < KEY_CODE_COUNT && (L.keyDown[key] || L.keyPressed[key] || PadHoldsKey(key));
}

bool IsKeyPressed(int key)
{
    const InputFrame* played = PlayedInput();
    if (played && InputFrameCarries(key)) return InputFrameHasKey(played->keysPressed, key);
    return key > 0 && key < KEY_CODE_COUNT && L.keyPressed[key];
}

static_assert(MOUSE_BUTTON_COUNT <= 8, "an InputFrame holds 8 buttons");
bool IsMouseButtonDown(int button)
{
    if (button < 0 || button >= MOUSE_BUTTON_COUNT) return false;
    if (const InputFrame* played = PlayedInput()) return (played->buttonsDown >> button) & 1;
    return L.buttonDown[button] || L.buttonPressed[button] || PadHoldsButton(button);
}

Vector2 GetMousePosition(void)
{
    if (const InputFrame* played = PlayedInput()) return played->mouse;
    return L.mouse;
}

float GetMouseWheelMove(void)
{
    if (const InputFrame* played = PlayedInput()) return played->wheel;
    return L.wheel;
}
