// Input: SDL's events turned into the key, button and cursor state that the
// game reads between two polls.
#include "platform/platform.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

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

void HandleEvent(const SDL_Event& e)
{
    switch (e.type) {
        case SDL_QUIT: L.closeRequested = true; break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) L.closeRequested = true;
            // Key and button releases are not delivered to a window without
            // focus; forget what was held rather than keep walking.
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) ReleaseAllInput();
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // Read as a plain number: a pushed event may carry any value in this field.
            static_assert(sizeof(e.key.keysym.scancode) == sizeof(int32_t));
            int32_t scancode;
            std::memcpy(&scancode, &e.key.keysym.scancode, sizeof scancode);
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
        case SDL_MOUSEMOTION: L.mouse = Vector2{static_cast<float>(e.motion.x), static_cast<float>(e.motion.y)}; break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int b = ButtonFromSdl(e.button.button);
            if (b >= 0) L.buttonDown[b] = (e.type == SDL_MOUSEBUTTONDOWN);
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
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
}

// A demo being played answers every query; the live state keeps following the
// events only so that Escape and the close button still work.
bool IsKeyDown(int key)
{
    if (const InputFrame* played = PlayedInput()) return InputFrameHasKey(played->keysDown, key);
    return key > 0 && key < KEY_CODE_COUNT && L.keyDown[key];
}

bool IsKeyPressed(int key)
{
    if (const InputFrame* played = PlayedInput()) return InputFrameHasKey(played->keysPressed, key);
    return key > 0 && key < KEY_CODE_COUNT && L.keyPressed[key];
}

static_assert(MOUSE_BUTTON_COUNT <= 8, "an InputFrame holds 8 buttons");
bool IsMouseButtonDown(int button)
{
    if (button < 0 || button >= MOUSE_BUTTON_COUNT) return false;
    if (const InputFrame* played = PlayedInput()) return (played->buttonsDown >> button) & 1;
    return L.buttonDown[button];
}

Vector2 GetMousePosition(void)
{
    if (const InputFrame* played = PlayedInput()) return played->mouse;
    return L.mouse;
}
