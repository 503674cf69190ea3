#include "backends/web/web_keys.h"

#include <cstring>

#include "platform/backend.h"
#include "platform/keycodes.h"
#include "platform/platform.h"

namespace {

struct NamedKey {
    const char* code;  // KeyboardEvent.code
    int key;           // the game's key code
};

// Keys whose codes are not a letter, a digit or a numbered F key.
constexpr NamedKey NAMED_KEYS[] = {
    {"Space", CODE_SPACE},
    {"Quote", CODE_APOSTROPHE},
    {"Comma", CODE_COMMA},
    {"Minus", KEY_MINUS},
    {"Period", CODE_PERIOD},
    {"Slash", CODE_SLASH},
    {"Semicolon", CODE_SEMICOLON},
    {"Equal", KEY_EQUAL},
    {"BracketLeft", CODE_LEFT_BRACKET},
    {"Backslash", CODE_BACKSLASH},
    {"BracketRight", CODE_RIGHT_BRACKET},
    {"Backquote", CODE_GRAVE},
    {"IntlBackslash", CODE_NON_US_BACKSLASH},
    {"Escape", KEY_ESCAPE},
    {"Enter", CODE_ENTER},
    {"Tab", CODE_TAB},
    {"Backspace", CODE_BACKSPACE},
    {"Insert", CODE_INSERT},
    {"Delete", CODE_DELETE},
    {"ArrowRight", CODE_RIGHT},
    {"ArrowLeft", CODE_LEFT},
    {"ArrowDown", CODE_DOWN},
    {"ArrowUp", CODE_UP},
    {"PageUp", CODE_PAGE_UP},
    {"PageDown", CODE_PAGE_DOWN},
    {"Home", CODE_HOME},
    {"End", CODE_END},
    {"CapsLock", CODE_CAPS_LOCK},
    {"ScrollLock", CODE_SCROLL_LOCK},
    {"NumLock", CODE_NUM_LOCK},
    {"PrintScreen", CODE_PRINT_SCREEN},
    {"Pause", CODE_PAUSE},
    {"NumpadDecimal", CODE_KP_DECIMAL},
    {"NumpadDivide", CODE_KP_DIVIDE},
    {"NumpadMultiply", CODE_KP_MULTIPLY},
    {"NumpadSubtract", KEY_KP_SUBTRACT},
    {"NumpadAdd", KEY_KP_ADD},
    {"NumpadEnter", CODE_KP_ENTER},
    {"NumpadEqual", CODE_KP_EQUAL},
    {"ShiftLeft", CODE_LEFT_SHIFT},
    {"ControlLeft", CODE_LEFT_CONTROL},
    {"AltLeft", CODE_LEFT_ALT},
    {"MetaLeft", CODE_LEFT_SUPER},
    {"ShiftRight", CODE_RIGHT_SHIFT},
    {"ControlRight", CODE_RIGHT_CONTROL},
    {"AltRight", CODE_RIGHT_ALT},
    {"MetaRight", CODE_RIGHT_SUPER},
    {"ContextMenu", CODE_MENU},
};

// The number after `prefix` in `code` ("F11" -> 11), or -1 when `code` is not
// the prefix followed by one or two digits alone.
int NumberAfter(const char* code, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    if (std::strncmp(code, prefix, n) != 0) return -1;
    const char* digits = code + n;
    const size_t count = std::strlen(digits);
    if (count == 0 || count > 2) return -1;
    int value = 0;
    for (size_t i = 0; i < count; i++) {
        if (digits[i] < '0' || digits[i] > '9') return -1;
        value = value * 10 + (digits[i] - '0');
    }
    return value;
}

}  // namespace

int KeyFromCode(const char* code)
{
    if (code == nullptr) return KEY_NULL;
    // "KeyA" to "KeyZ": the letters' capitals.
    if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == '\0') return code[3];
    const int digit = NumberAfter(code, "Digit");
    if (digit >= 0 && digit <= 9) return CODE_ZERO + digit;
    const int keypad = NumberAfter(code, "Numpad");
    if (keypad >= 0 && keypad <= 9) return CODE_KP_0 + keypad;
    const int f = NumberAfter(code, "F");
    if (f >= 1 && f <= 24) return CODE_F1 + (f - 1);
    for (const NamedKey& k : NAMED_KEYS)
        if (std::strcmp(code, k.code) == 0) return k.key;
    return KEY_NULL;
}

bool KeyIsTheGames(int key, bool ctrlOrMeta)
{
    // Among them F1, the game's panel, which is also the browser's help.
    return !ctrlOrMeta && (LayerKeyIsTheGames(key) || key == WEB_SCREENSHOT_KEY);
}
