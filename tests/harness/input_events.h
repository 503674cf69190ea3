// Drive the game's input through SDL's own event queue, the same path a real
// keyboard, mouse and window manager take: for the tests and the screenshot
// tool. Call them after InitWindow, then PollInputEvents (or finish a frame)
// to let the game see them.
#pragma once

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/platform.h"

namespace input_events {

// SDL scancode of the physical key that carries a game key code; SDL_SCANCODE_UNKNOWN for others.
inline SDL_Scancode ScancodeOf(int key)
{
    if (key >= KEY_A && key <= KEY_A + 25) return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (key - KEY_A));
    if (key == '0') return SDL_SCANCODE_0;
    if (key >= '1' && key <= '9') return static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (key - '1'));
    switch (key) {
        case KEY_ESCAPE: return SDL_SCANCODE_ESCAPE;
        case KEY_KP_SUBTRACT: return SDL_SCANCODE_KP_MINUS;
        case KEY_KP_ADD: return SDL_SCANCODE_KP_PLUS;
        case KEY_MINUS: return SDL_SCANCODE_MINUS;
        case KEY_EQUAL: return SDL_SCANCODE_EQUALS;
        case ' ': return SDL_SCANCODE_SPACE;
        case 257: return SDL_SCANCODE_RETURN;
        case 262: return SDL_SCANCODE_RIGHT;
        case 263: return SDL_SCANCODE_LEFT;
        case 264: return SDL_SCANCODE_DOWN;
        case 265: return SDL_SCANCODE_UP;
        case 340: return SDL_SCANCODE_LSHIFT;
        default: return SDL_SCANCODE_UNKNOWN;
    }
}

// A key going down or up, as a keyboard reports it: scancode plus the key it
// means on the current layout, and the modifiers held (KMOD_ALT for Alt+Enter).
inline void PushKeyScancode(SDL_Scancode scancode, bool down, bool repeat = false, Uint16 modifiers = KMOD_NONE)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    e.key.keysym.mod = modifiers;
    SDL_PushEvent(&e);
}

// The wheel turned by `notches` (up positive) in one event; `flipped` as a
// system with "natural" scrolling reports it.
inline void PushWheel(int notches, bool flipped = false)
{
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = flipped ? -notches : notches;
    e.wheel.preciseY = static_cast<float>(e.wheel.y);
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
}

inline void PushKey(int key, bool down) { PushKeyScancode(ScancodeOf(key), down); }

// Where the pushed cursor last went: a real button event carries that position.
inline int cursorX = 0;
inline int cursorY = 0;

// The relative motion saturates, since no int holds the jump between two far
// extremes; the game reads only the position.
inline void PushMouseMove(int x, int y)
{
    auto relative = [](int to, int from) {
        return static_cast<int>(std::clamp<int64_t>(int64_t{to} - from, INT_MIN, INT_MAX));
    };
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = relative(x, cursorX);
    e.motion.yrel = relative(y, cursorY);
    cursorX = x;
    cursorY = y;
    SDL_PushEvent(&e);
}

inline void PushMouseButton(int button, bool down)
{
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.button = button == MOUSE_BUTTON_LEFT    ? SDL_BUTTON_LEFT
                      : button == MOUSE_BUTTON_RIGHT ? SDL_BUTTON_RIGHT
                                                     : SDL_BUTTON_MIDDLE;
    e.button.x = cursorX;
    e.button.y = cursorY;
    SDL_PushEvent(&e);
}

// A window event: focus lost, the close button and the like.
inline void PushWindowEvent(Uint8 event)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    SDL_PushEvent(&e);
}

// What the window manager's close button, Ctrl+C or SIGTERM turn into.
inline void PushQuit()
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

}  // namespace input_events
