// The game's key codes for every key a keyboard can send, in the numbering of
// platform.h's KEY_ names (letters are their capitals' character codes). A
// backend turns its own key identities into these before handing keys to the
// layer. Shared by the layer and every backend.
#pragma once

// Number of key codes the layer keeps state for; every key code is below it.
constexpr int KEY_CODE_COUNT = 512;

// Key codes platform.h does not name but a keyboard can still send. Beside
// them: the digit row's '0' to '9' are 48 to 57, F1 to F12 are 290 to 301 and
// F13 to F24 302 to 313, keypad 1 to 9 are 321 to 329.
constexpr int CODE_SPACE = 32, CODE_APOSTROPHE = 39, CODE_COMMA = 44, CODE_PERIOD = 46, CODE_SLASH = 47, CODE_ZERO = 48,
              CODE_SEMICOLON = 59, CODE_LEFT_BRACKET = 91, CODE_BACKSLASH = 92, CODE_RIGHT_BRACKET = 93,
              CODE_GRAVE = 96, CODE_NON_US_BACKSLASH = 162;
constexpr int CODE_ENTER = 257, CODE_TAB = 258, CODE_BACKSPACE = 259, CODE_INSERT = 260, CODE_DELETE = 261,
              CODE_RIGHT = 262, CODE_LEFT = 263, CODE_DOWN = 264, CODE_UP = 265, CODE_PAGE_UP = 266,
              CODE_PAGE_DOWN = 267, CODE_HOME = 268, CODE_END = 269;
constexpr int CODE_CAPS_LOCK = 280, CODE_SCROLL_LOCK = 281, CODE_NUM_LOCK = 282, CODE_PRINT_SCREEN = 283,
              CODE_PAUSE = 284;
constexpr int CODE_F1 = 290, CODE_F11 = 300, CODE_F12 = 301, CODE_F13 = 302;
constexpr int CODE_KP_0 = 320, CODE_KP_1 = 321, CODE_KP_DECIMAL = 330, CODE_KP_DIVIDE = 331, CODE_KP_MULTIPLY = 332,
              CODE_KP_ENTER = 335, CODE_KP_EQUAL = 336;
constexpr int CODE_LEFT_SHIFT = 340, CODE_LEFT_CONTROL = 341, CODE_LEFT_ALT = 342, CODE_LEFT_SUPER = 343,
              CODE_RIGHT_SHIFT = 344, CODE_RIGHT_CONTROL = 345, CODE_RIGHT_ALT = 346, CODE_RIGHT_SUPER = 347,
              CODE_MENU = 348;
