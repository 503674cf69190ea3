// Gamepads, as the backend reports them (BackendReadPads): a pad holds and
// presses the keys and mouse buttons it stands for, and its right stick moves
// the cursor, so the game and its demos see nothing but keys, buttons and a
// cursor. Which key each button stands for is the game's (SetKeyBindings).
#include <algorithm>
#include <cmath>

#include "platform/backend.h"
#include "platform/internal.h"
#include "platform/platform.h"

using namespace platform;

namespace {

constexpr float TRIGGER_PULLED = 0.35f;  // a trigger pulled this far holds its mouse button
constexpr float CURSOR_SPEED = 10.0f;    // frame pixels per poll, the right stick pushed all the way

// The game's bindings (SetKeyBindings): they outlive the window.
KeyBinding gBindings[MAX_KEY_BINDINGS];
int gBindingCount = 0;

struct Pads {
    bool keyHeld[KEY_CODE_COUNT] = {};         // by key code: held by a pad at the last poll
    bool buttonHeld[MOUSE_BUTTON_COUNT] = {};  // by mouse button: held by a trigger at the last poll
    bool cursorShown = false;                  // the right stick moved the cursor since the mouse last did
    float cursorX = 0.0f, cursorY = 0.0f;      // that cursor, frame pixels
};
Pads gPads;

}  // namespace

namespace platform {

void ReadGamepads()
{
    PadInput pad{};
    BackendReadPads(&pad);
    bool keys[KEY_CODE_COUNT] = {};
    bool tapped[KEY_CODE_COUNT] = {};
    for (int i = 0; i < gBindingCount; ++i) {
        const int key = gBindings[i].key, b = gBindings[i].padButton;
        if (b < 0) continue;
        // The left stick stands for the d-pad's left and right.
        const bool stick = (b == PAD_DPAD_LEFT && pad.leftX < 0.0f) || (b == PAD_DPAD_RIGHT && pad.leftX > 0.0f);
        keys[key] |= ((pad.held >> b) & 1u) || stick;
        tapped[key] |= (pad.pressed >> b) & 1u;
    }
    // Held now and not at the poll before, or pressed and let go between two
    // polls: pressed, unless the keyboard holds the key already.
    for (int i = 0; i < gBindingCount; ++i) {
        if (gBindings[i].padButton < 0) continue;
        const int key = gBindings[i].key;
        if ((tapped[key] || (keys[key] && !gPads.keyHeld[key])) && !In.keyDown[key]) In.keyPressed[key] = true;
        gPads.keyHeld[key] = keys[key];
    }
    // The right trigger digs like the right mouse button, the left places like the left one.
    const bool buttons[MOUSE_BUTTON_COUNT] = {pad.leftTrigger > TRIGGER_PULLED, pad.rightTrigger > TRIGGER_PULLED};
    static_assert(MOUSE_BUTTON_LEFT == 0 && MOUSE_BUTTON_RIGHT == 1);
    for (int b = 0; b < MOUSE_BUTTON_COUNT; ++b) {
        if (buttons[b] && !gPads.buttonHeld[b] && !In.buttonDown[b]) In.buttonPressed[b] = true;
        gPads.buttonHeld[b] = buttons[b];
    }
    // The stick takes the cursor from wherever the mouse left it; the last
    // pad gone, the cursor goes with it.
    if (pad.pads == 0) gPads.cursorShown = false;
    if (pad.rightX != 0.0f || pad.rightY != 0.0f) {
        if (!gPads.cursorShown) {
            gPads.cursorX = std::clamp(In.mouse.x, 0.0f, static_cast<float>(render::FrameWidth() - 1));
            gPads.cursorY = std::clamp(In.mouse.y, 0.0f, static_cast<float>(render::FrameHeight() - 1));
            gPads.cursorShown = true;
        }
        gPads.cursorX =
            std::clamp(gPads.cursorX + CURSOR_SPEED * pad.rightX, 0.0f, static_cast<float>(render::FrameWidth() - 1));
        gPads.cursorY =
            std::clamp(gPads.cursorY + CURSOR_SPEED * pad.rightY, 0.0f, static_cast<float>(render::FrameHeight() - 1));
    }
    if (gPads.cursorShown) In.mouse = Vector2{std::floor(gPads.cursorX), std::floor(gPads.cursorY)};
}

void PadCursorTakenBack() { gPads.cursorShown = false; }

void ForgetPads() { gPads = Pads{}; }

bool PadHoldsKey(int key) { return key > 0 && key < KEY_CODE_COUNT && gPads.keyHeld[key]; }

bool PadHoldsButton(int button) { return button >= 0 && button < MOUSE_BUTTON_COUNT && gPads.buttonHeld[button]; }

}  // namespace platform

bool IsGamepadCursorShown(void) { return W.open && gPads.cursorShown; }

void SetKeyBindings(const KeyBinding* bindings, int count)
{
    gBindingCount = 0;
    for (int i = 0; bindings && i < count && gBindingCount < MAX_KEY_BINDINGS; ++i) {
        const KeyBinding b = bindings[i];
        // A key the layer keeps no state for, or a button no pad has, binds nothing.
        if (b.key <= KEY_NULL || b.key >= KEY_CODE_COUNT) continue;
        gBindings[gBindingCount++] =
            KeyBinding{b.key, b.padButton >= 0 && b.padButton < PAD_BUTTON_COUNT ? b.padButton : -1};
    }
}

bool LayerKeyIsTheGames(int key)
{
    if (key == CODE_F11 || key == CODE_F12) return true;  // the layer's own
    for (int i = 0; i < gBindingCount; ++i)
        if (gBindings[i].key == key) return true;
    return false;
}
