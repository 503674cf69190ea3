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
    kSpace = 32, kApostrophe = 39, kComma = 44, kPeriod = 46, kSlash = 47,
    kZero = 48, kSemicolon = 59, kLeftBracket = 91, kBackslash = 92,
    kRightBracket = 93, kGrave = 96, kNonUsBackslash = 162,
    kEnter = 257, kTab = 258, kBackspace = 259, kInsert = 260, kDelete = 261,
    kRight = 262, kLeft = 263, kDown = 264, kUp = 265, kPageUp = 266, kPageDown = 267,
    kHome = 268, kEnd = 269, kCapsLock = 280, kScrollLock = 281, kNumLock = 282,
    kPrintScreen = 283, kPause = 284, kF1 = 290, kF13 = 302,
    kKp0 = 320, kKp1 = 321, kKpDecimal = 330, kKpDivide = 331, kKpMultiply = 332,
    kKpEnter = 335, kKpEqual = 336,
    kLeftShift = 340, kLeftControl = 341, kLeftAlt = 342, kLeftSuper = 343,
    kRightShift = 344, kRightControl = 345, kRightAlt = 346, kRightSuper = 347, kMenu = 348,
};

constexpr std::array<int16_t, SDL_NUM_SCANCODES> BuildKeyTable() {
    std::array<int16_t, SDL_NUM_SCANCODES> t{};
    for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = static_cast<int16_t>(KEY_A + i);
    // SDL numbers the digit row 1..9 then 0.
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_1 + i] = static_cast<int16_t>(kZero + 1 + i);
    t[SDL_SCANCODE_0] = kZero;
    for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F1 + i] = static_cast<int16_t>(kF1 + i);
    for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F13 + i] = static_cast<int16_t>(kF13 + i);
    for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_KP_1 + i] = static_cast<int16_t>(kKp1 + i);
    t[SDL_SCANCODE_KP_0] = kKp0;

    t[SDL_SCANCODE_RETURN] = kEnter;
    t[SDL_SCANCODE_ESCAPE] = KEY_ESCAPE;
    t[SDL_SCANCODE_BACKSPACE] = kBackspace;
    t[SDL_SCANCODE_TAB] = kTab;
    t[SDL_SCANCODE_SPACE] = kSpace;
    t[SDL_SCANCODE_MINUS] = KEY_MINUS;
    t[SDL_SCANCODE_EQUALS] = KEY_EQUAL;
    t[SDL_SCANCODE_LEFTBRACKET] = kLeftBracket;
    t[SDL_SCANCODE_RIGHTBRACKET] = kRightBracket;
    t[SDL_SCANCODE_BACKSLASH] = kBackslash;
    t[SDL_SCANCODE_NONUSHASH] = kBackslash;  // same key position on ISO keyboards
    t[SDL_SCANCODE_SEMICOLON] = kSemicolon;
    t[SDL_SCANCODE_APOSTROPHE] = kApostrophe;
    t[SDL_SCANCODE_GRAVE] = kGrave;
    t[SDL_SCANCODE_COMMA] = kComma;
    t[SDL_SCANCODE_PERIOD] = kPeriod;
    t[SDL_SCANCODE_SLASH] = kSlash;
    t[SDL_SCANCODE_NONUSBACKSLASH] = kNonUsBackslash;
    t[SDL_SCANCODE_CAPSLOCK] = kCapsLock;
    t[SDL_SCANCODE_PRINTSCREEN] = kPrintScreen;
    t[SDL_SCANCODE_SCROLLLOCK] = kScrollLock;
    t[SDL_SCANCODE_PAUSE] = kPause;
    t[SDL_SCANCODE_INSERT] = kInsert;
    t[SDL_SCANCODE_HOME] = kHome;
    t[SDL_SCANCODE_PAGEUP] = kPageUp;
    t[SDL_SCANCODE_DELETE] = kDelete;
    t[SDL_SCANCODE_END] = kEnd;
    t[SDL_SCANCODE_PAGEDOWN] = kPageDown;
    t[SDL_SCANCODE_RIGHT] = kRight;
    t[SDL_SCANCODE_LEFT] = kLeft;
    t[SDL_SCANCODE_DOWN] = kDown;
    t[SDL_SCANCODE_UP] = kUp;
    t[SDL_SCANCODE_NUMLOCKCLEAR] = kNumLock;
    t[SDL_SCANCODE_KP_DIVIDE] = kKpDivide;
    t[SDL_SCANCODE_KP_MULTIPLY] = kKpMultiply;
    t[SDL_SCANCODE_KP_MINUS] = KEY_KP_SUBTRACT;
    t[SDL_SCANCODE_KP_PLUS] = KEY_KP_ADD;
    t[SDL_SCANCODE_KP_ENTER] = kKpEnter;
    t[SDL_SCANCODE_KP_PERIOD] = kKpDecimal;
    t[SDL_SCANCODE_KP_EQUALS] = kKpEqual;
    t[SDL_SCANCODE_APPLICATION] = kMenu;
    t[SDL_SCANCODE_LCTRL] = kLeftControl;
    t[SDL_SCANCODE_LSHIFT] = kLeftShift;
    t[SDL_SCANCODE_LALT] = kLeftAlt;
    t[SDL_SCANCODE_LGUI] = kLeftSuper;
    t[SDL_SCANCODE_RCTRL] = kRightControl;
    t[SDL_SCANCODE_RSHIFT] = kRightShift;
    t[SDL_SCANCODE_RALT] = kRightAlt;
    t[SDL_SCANCODE_RGUI] = kRightSuper;
    return t;
}

constexpr std::array<int16_t, SDL_NUM_SCANCODES> kKeyOfScancode = BuildKeyTable();

static_assert(kKeyOfScancode[SDL_SCANCODE_W] == KEY_W && kKeyOfScancode[SDL_SCANCODE_V] == KEY_V);
static_assert(kKeyOfScancode[SDL_SCANCODE_KP_MINUS] == KEY_KP_SUBTRACT);

constexpr bool AllBelowKeyCount() {
    for (int16_t k : kKeyOfScancode)
        if (k < 0 || k >= kKeyCodeCount) return false;
    return true;
}
static_assert(AllBelowKeyCount(), "key state arrays are indexed by these codes");

}  // namespace

int KeyFromScancode(int scancode) {
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return KEY_NULL;
    return kKeyOfScancode[static_cast<size_t>(scancode)];
}
