#include "shell/controls.h"

const Control CONTROLS[] = {
    {"A / D", "walk left / right", "left stick, d-pad", {KEY_A, KEY_D}, {PAD_DPAD_LEFT, PAD_DPAD_RIGHT}},
    {"W", "jump", "A (south button)", {KEY_W, KEY_NULL}, {PAD_SOUTH, -1}},
    {"S", "fall faster", "", {KEY_S, KEY_NULL}, {-1, -1}},
    {"right mouse button", "dig the tile under the cursor", "right trigger", {KEY_NULL, KEY_NULL}, {-1, -1}},
    {"left mouse button", "make that tile solid", "left trigger", {KEY_NULL, KEY_NULL}, {-1, -1}},
    {"the mouse", "move the cursor", "right stick", {KEY_NULL, KEY_NULL}, {-1, -1}},
    {"- / =, the wheel",
     "zoom out / in",
     "left / right shoulder",
     {KEY_MINUS, KEY_EQUAL},
     {PAD_LEFT_SHOULDER, PAD_RIGHT_SHOULDER}},
    {"keypad - / +", "zoom out / in", "", {KEY_KP_SUBTRACT, KEY_KP_ADD}, {-1, -1}},
    {"P", "pause, and go on", "Start", {KEY_P, KEY_NULL}, {PAD_START, -1}},
    {"F1", "show or hide this panel", "Back", {KEY_F1, KEY_NULL}, {PAD_BACK, -1}},
    {"F11, Alt+Enter", "fullscreen on / off", "", {KEY_NULL, KEY_NULL}, {-1, -1}},
    {"F12", "save a screenshot", "", {KEY_NULL, KEY_NULL}, {-1, -1}},
    {"V", "debug line on standard output", "", {KEY_V, KEY_NULL}, {-1, -1}},
    {"Escape", "quit", "", {KEY_NULL, KEY_NULL}, {-1, -1}},
};
const int CONTROL_COUNT = static_cast<int>(sizeof CONTROLS / sizeof CONTROLS[0]);

void BindControls(void)
{
    KeyBinding bindings[MAX_KEY_BINDINGS];
    int count = 0;
    for (const Control& c : CONTROLS)
        for (int i = 0; i < 2; ++i)
            if (c.key[i] != KEY_NULL && count < MAX_KEY_BINDINGS)
                bindings[count++] = KeyBinding{c.key[i], c.padButton[i]};
    SetKeyBindings(bindings, count);
}
