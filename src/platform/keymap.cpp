// Keys are matched by where they sit on the keyboard, not by what the layout
// prints on them, so W/A/S/D stay under the left hand on any layout.

#include "platform/keymap.h"

#include <SDL.h>

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace {

// Key codes the game's header does not name but a keyboard can still send,
// in the same numbering as the named ones.
enum : int16_t {
    CODE_SPACE = 32,
    CODE_APOSTROPHE = 39,
    CODE_COMMA = 44,
    CODE_PERIOD = 46,
    CODE_SLASH = 47,
    CODE_ZERO = 48,
    CODE_SEMICOLON = 59,
    CODE_LEFT_BRACKET = 91,
    CODE_BACKSLASH = 92,
    CODE_RIGHT_BRACKET = 93,
    CODE_GRAVE = 96,
    CODE_NON_US_BACKSLASH = 162,
    CODE_ENTER = 257,
    CODE_TAB = 258,
    CODE_BACKSPACE = 259,
    CODE_INSERT = 260,
    CODE_DELETE = 261,
    CODE_RIGHT = 262,
    CODE_LEFT = 263,
    CODE_DOWN = 264,
    CODE_UP = 265,
    CODE_PAGE_UP = 266,
    CODE_PAGE_DOWN = 267,
    CODE_HOME = 268,
    CODE_END = 269,
    CODE_CAPS_LOCK = 280,
    CODE_SCROLL_LOCK = 281,
    CODE_NUM_LOCK = 282,
    CODE_PRINT_SCREEN = 283,
    CODE_PAUSE = 284,
    CODE_F1 = 290,
    CODE_F13 = 302,
    CODE_KP_0 = 320,
    CODE_KP_1 = 321,
    CODE_KP_DECIMAL = 330,
    CODE_KP_DIVIDE = 331,
    CODE_KP_MULTIPLY = 332,
    CODE_KP_ENTER = 335,
    CODE_KP_EQUAL = 336,
    CODE_LEFT_SHIFT = 340,
    CODE_LEFT_CONTROL = 341,
    CODE_LEFT_ALT = 342,
    CODE_LEFT_SUPER = 343,
    CODE_RIGHT_SHIFT = 344,
    CODE_RIGHT_CONTROL = 345,
    CODE_RIGHT_ALT = 346,
    CODE_RIGHT_SUPER = 347,
    CODE_MENU = 348,
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

    t[SDL_SCANCODE_RETURN] = CODE_ENTER;
    t[SDL_SCANCODE_ESCAPE] = KEY_ESCAPE;
    t[SDL_SCANCODE_BACKSPACE] = CODE_BACKSPACE;
    t[SDL_SCANCODE_TAB] = CODE_TAB;
    t[SDL_SCANCODE_SPACE] = CODE_SPACE;
    t[SDL_SCANCODE_MINUS] = KEY_MINUS;
    t[SDL_SCANCODE_EQUALS] = KEY_EQUAL;
    t[SDL_SCANCODE_LEFTBRACKET] = CODE_LEFT_BRACKET;
    t[SDL_SCANCODE_RIGHTBRACKET] = CODE_RIGHT_BRACKET;
    t[SDL_SCANCODE_BACKSLASH] = CODE_BACKSLASH;
    t[SDL_SCANCODE_NONUSHASH] = CODE_BACKSLASH;  // same key position on ISO keyboards
    t[SDL_SCANCODE_SEMICOLON] = CODE_SEMICOLON;
    t[SDL_SCANCODE_APOSTROPHE] = CODE_APOSTROPHE;
    t[SDL_SCANCODE_GRAVE] = CODE_GRAVE;
    t[SDL_SCANCODE_COMMA] = CODE_COMMA;
    t[SDL_SCANCODE_PERIOD] = CODE_PERIOD;
    t[SDL_SCANCODE_SLASH] = CODE_SLASH;
    t[SDL_SCANCODE_NONUSBACKSLASH] = CODE_NON_US_BACKSLASH;
    t[SDL_SCANCODE_CAPSLOCK] = CODE_CAPS_LOCK;
    t[SDL_SCANCODE_PRINTSCREEN] = CODE_PRINT_SCREEN;
    t[SDL_SCANCODE_SCROLLLOCK] = CODE_SCROLL_LOCK;
    t[SDL_SCANCODE_PAUSE] = CODE_PAUSE;
    t[SDL_SCANCODE_INSERT] = CODE_INSERT;
    t[SDL_SCANCODE_HOME] = CODE_HOME;
    t[SDL_SCANCODE_PAGEUP] = CODE_PAGE_UP;
    t[SDL_SCANCODE_DELETE] = CODE_DELETE;
    t[SDL_SCANCODE_END] = CODE_END;
    t[SDL_SCANCODE_PAGEDOWN] = CODE_PAGE_DOWN;
    t[SDL_SCANCODE_RIGHT] = CODE_RIGHT;
    t[SDL_SCANCODE_LEFT] = CODE_LEFT;
    t[SDL_SCANCODE_DOWN] = CODE_DOWN;
    t[SDL_SCANCODE_UP] = CODE_UP;
    t[SDL_SCANCODE_NUMLOCKCLEAR] = CODE_NUM_LOCK;
    t[SDL_SCANCODE_KP_DIVIDE] = CODE_KP_DIVIDE;
    t[SDL_SCANCODE_KP_MULTIPLY] = CODE_KP_MULTIPLY;
    t[SDL_SCANCODE_KP_MINUS] = KEY_KP_SUBTRACT;
    t[SDL_SCANCODE_KP_PLUS] = KEY_KP_ADD;
    t[SDL_SCANCODE_KP_ENTER] = CODE_KP_ENTER;
    t[SDL_SCANCODE_KP_PERIOD] = CODE_KP_DECIMAL;
    t[SDL_SCANCODE_KP_EQUALS] = CODE_KP_EQUAL;
    t[SDL_SCANCODE_APPLICATION] = CODE_MENU;
    t[SDL_SCANCODE_LCTRL] = CODE_LEFT_CONTROL;
    t[SDL_SCANCODE_LSHIFT] = CODE_LEFT_SHIFT;
    t[SDL_SCANCODE_LALT] = CODE_LEFT_ALT;
    t[SDL_SCANCODE_LGUI] = CODE_LEFT_SUPER;
    t[SDL_SCANCODE_RCTRL] = CODE_RIGHT_CONTROL;
    t[SDL_SCANCODE_RSHIFT] = CODE_RIGHT_SHIFT;
    t[SDL_SCANCODE_RALT] = CODE_RIGHT_ALT;
    t[SDL_SCANCODE_RGUI] = CODE_RIGHT_SUPER;
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

}  // namespace

int KeyFromScancode(int scancode)
{
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return KEY_NULL;
    return KEY_OF_SCANCODE[static_cast<size_t>(scancode)];
}
