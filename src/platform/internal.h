// The platform's private half: the window's and the input's state, which its
// parts share, and the calls between them. The frame itself is the
// renderer's (render/frame.h); the window is the backend's (backend.h).
#pragma once

#include "platform/keycodes.h"
#include "platform/platform.h"
#include "render/frame.h"

namespace platform {

constexpr int MOUSE_BUTTON_COUNT = 8;

// The window as the game sees it, from InitWindow to CloseWindow.
struct WindowState {
    bool open = false;                 // between a successful InitWindow and CloseWindow
    bool closeRequested = false;       // close button, a signal that ends the game, or Escape seen
    bool screenshotRequested = false;  // F12 seen: save the next presented frame
};

// The keys, buttons and cursor as of the last poll: what the game's queries answer.
struct InputState {
    bool keyDown[KEY_CODE_COUNT] = {};            // by game key code: held at the last poll
    bool keyPressed[KEY_CODE_COUNT] = {};         // by game key code: went down since the poll before
    bool buttonDown[MOUSE_BUTTON_COUNT] = {};     // by game button code: held at the last poll
    bool buttonPressed[MOUSE_BUTTON_COUNT] = {};  // by game button code: went down since the poll before
    int mouseWindowX = 0;                         // cursor, window pixels from the top-left, y downward
    int mouseWindowY = 0;                         // the same, downward
    Vector2 mouse = {0.0f, 0.0f};                 // the cursor in frame pixels, as of the last poll
    float wheel = 0.0f;                           // wheel notches over the events of the last poll, up positive
};

extern WindowState W;
extern InputState In;

// ---- Pause and gamepads (pause.cpp, gamepad.cpp) ------------------------------

// Around every poll's events: a paused game's slow poll, and the repaints and
// screenshots it answers itself, since it draws nothing.
void BeforePoll();
void AfterPoll();
// Drops the kept frame and ends event waiting, as the window closes.
void ForgetKeptFrame();
// After a poll's events: the pads' buttons and sticks into the key, button
// and cursor state.
void ReadGamepads();
// The mouse moved: the cursor is the mouse's again.
void PadCursorTakenBack();
// Forgets what the pads held, as the window closes.
void ForgetPads();
// True while a pad holds the key or mouse button.
bool PadHoldsKey(int key);
bool PadHoldsButton(int button);

}  // namespace platform
