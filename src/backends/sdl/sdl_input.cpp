// The SDL2 desktop backend's events: SDL's events handed to the layer
// through backend.h's Layer* calls. Keys are matched by where they sit on the
// keyboard (SDL's scancodes), not by what the layout prints on them, so
// W/A/S/D stay under the left hand on any layout.
#include <SDL.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "backends/sdl/sdl_backend.h"
#include "platform/backend.h"
#include "platform/keycodes.h"
#include "platform/platform.h"

namespace {

// The keys with names of their own: SDL's scancode, and the game's key code.
struct NamedScancode {
    SDL_Scancode scancode;
    int16_t key;
};

constexpr NamedScancode NAMED_SCANCODES[] = {
    {SDL_SCANCODE_RETURN, CODE_ENTER},
    {SDL_SCANCODE_ESCAPE, KEY_ESCAPE},
    {SDL_SCANCODE_BACKSPACE, CODE_BACKSPACE},
    {SDL_SCANCODE_TAB, CODE_TAB},
    {SDL_SCANCODE_SPACE, CODE_SPACE},
    {SDL_SCANCODE_MINUS, KEY_MINUS},
    {SDL_SCANCODE_EQUALS, KEY_EQUAL},
    {SDL_SCANCODE_LEFTBRACKET, CODE_LEFT_BRACKET},
    {SDL_SCANCODE_RIGHTBRACKET, CODE_RIGHT_BRACKET},
    {SDL_SCANCODE_BACKSLASH, CODE_BACKSLASH},
    {SDL_SCANCODE_NONUSHASH, CODE_BACKSLASH},  // same key position on ISO keyboards
    {SDL_SCANCODE_SEMICOLON, CODE_SEMICOLON},
    {SDL_SCANCODE_APOSTROPHE, CODE_APOSTROPHE},
    {SDL_SCANCODE_GRAVE, CODE_GRAVE},
    {SDL_SCANCODE_COMMA, CODE_COMMA},
    {SDL_SCANCODE_PERIOD, CODE_PERIOD},
    {SDL_SCANCODE_SLASH, CODE_SLASH},
    {SDL_SCANCODE_NONUSBACKSLASH, CODE_NON_US_BACKSLASH},
    {SDL_SCANCODE_CAPSLOCK, CODE_CAPS_LOCK},
    {SDL_SCANCODE_PRINTSCREEN, CODE_PRINT_SCREEN},
    {SDL_SCANCODE_SCROLLLOCK, CODE_SCROLL_LOCK},
    {SDL_SCANCODE_PAUSE, CODE_PAUSE},
    {SDL_SCANCODE_INSERT, CODE_INSERT},
    {SDL_SCANCODE_HOME, CODE_HOME},
    {SDL_SCANCODE_PAGEUP, CODE_PAGE_UP},
    {SDL_SCANCODE_DELETE, CODE_DELETE},
    {SDL_SCANCODE_END, CODE_END},
    {SDL_SCANCODE_PAGEDOWN, CODE_PAGE_DOWN},
    {SDL_SCANCODE_RIGHT, CODE_RIGHT},
    {SDL_SCANCODE_LEFT, CODE_LEFT},
    {SDL_SCANCODE_DOWN, CODE_DOWN},
    {SDL_SCANCODE_UP, CODE_UP},
    {SDL_SCANCODE_NUMLOCKCLEAR, CODE_NUM_LOCK},
    {SDL_SCANCODE_KP_DIVIDE, CODE_KP_DIVIDE},
    {SDL_SCANCODE_KP_MULTIPLY, CODE_KP_MULTIPLY},
    {SDL_SCANCODE_KP_MINUS, KEY_KP_SUBTRACT},
    {SDL_SCANCODE_KP_PLUS, KEY_KP_ADD},
    {SDL_SCANCODE_KP_ENTER, CODE_KP_ENTER},
    {SDL_SCANCODE_KP_PERIOD, CODE_KP_DECIMAL},
    {SDL_SCANCODE_KP_EQUALS, CODE_KP_EQUAL},
    {SDL_SCANCODE_APPLICATION, CODE_MENU},
    {SDL_SCANCODE_LCTRL, CODE_LEFT_CONTROL},
    {SDL_SCANCODE_LSHIFT, CODE_LEFT_SHIFT},
    {SDL_SCANCODE_LALT, CODE_LEFT_ALT},
    {SDL_SCANCODE_LGUI, CODE_LEFT_SUPER},
    {SDL_SCANCODE_RCTRL, CODE_RIGHT_CONTROL},
    {SDL_SCANCODE_RSHIFT, CODE_RIGHT_SHIFT},
    {SDL_SCANCODE_RALT, CODE_RIGHT_ALT},
    {SDL_SCANCODE_RGUI, CODE_RIGHT_SUPER},
};

constexpr std::array<int16_t, SDL_NUM_SCANCODES> BuildKeyTable()
{
    std::array<int16_t, SDL_NUM_SCANCODES> t{};
    for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = static_cast<int16_t>(KEY_A + i);
    // SDL numbers the digit row 1..9 then 0.
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_1 + i] = static_cast<int16_t>(CODE_ZERO + 1 + i);
    t[SDL_SCANCODE_0] = CODE_ZERO;
    for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F1 + i] = static_cast<int16_t>(CODE_F1 + i);
    for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F13 + i] = static_cast<int16_t>(CODE_F13 + i);
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_KP_1 + i] = static_cast<int16_t>(CODE_KP_1 + i);
    t[SDL_SCANCODE_KP_0] = CODE_KP_0;

    for (const NamedScancode& n : NAMED_SCANCODES) t[n.scancode] = n.key;
    return t;
}

constexpr std::array<int16_t, SDL_NUM_SCANCODES> KEY_OF_SCANCODE = BuildKeyTable();

static_assert(KEY_OF_SCANCODE[SDL_SCANCODE_W] == KEY_W && KEY_OF_SCANCODE[SDL_SCANCODE_V] == KEY_V);
static_assert(KEY_OF_SCANCODE[SDL_SCANCODE_KP_MINUS] == KEY_KP_SUBTRACT);

constexpr bool AllBelowKeyCount()
{
    for (int16_t k : KEY_OF_SCANCODE)
        if (k < 0 || k >= KEY_CODE_COUNT) return false;
    return true;
}
static_assert(AllBelowKeyCount(), "key state arrays are indexed by these codes");

// The game's key code for an SDL scancode, or KEY_NULL for a scancode the
// game has no name for or one outside SDL's range.
int KeyFromScancode(int32_t scancode)
{
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return KEY_NULL;
    return KEY_OF_SCANCODE[static_cast<size_t>(scancode)];
}

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

void HandleEvent(const SDL_Event& e)
{
    switch (e.type) {
        case SDL_QUIT: LayerCloseRequested(); break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) LayerCloseRequested();
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) LayerFocusLost();
            // A new size or a repaint by the desktop: the bars are drawn afresh.
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || e.window.event == SDL_WINDOWEVENT_EXPOSED)
                gSdl.barsDirty = true;  // the bars are painted afresh at the next present
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // Read as a plain number: a pushed event may carry any value in this field.
            static_assert(sizeof(e.key.keysym.scancode) == sizeof(int32_t));
            int32_t scancode;
            std::memcpy(&scancode, &e.key.keysym.scancode, sizeof scancode);
            const int key = KeyFromScancode(scancode);
            if (key != KEY_NULL)
                LayerKey(key, e.type == SDL_KEYDOWN, e.key.repeat != 0, (e.key.keysym.mod & KMOD_ALT) != 0);
            break;
        }
        case SDL_MOUSEMOTION: LayerCursor(e.motion.x, e.motion.y); break;
        case SDL_MOUSEWHEEL: {
            // Up (away from the player) counts positive whatever the system's
            // scrolling direction; SDL hands fractional touchpad scrolls on in
            // whole notches.
            const int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            LayerWheel(static_cast<float>(notches));
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            LayerMouseButton(ButtonFromSdl(e.button.button), e.type == SDL_MOUSEBUTTONDOWN, e.button.x, e.button.y);
            break;
        default: break;
    }
}

}  // namespace

void BackendPollEvents(void)
{
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        HandleEvent(e);
        SdlPadEvent(e);
    }
    if (SdlHungUp()) LayerCloseRequested();
}
