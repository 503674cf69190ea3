// Gamepads, through SDL's game controller API: any pad SDL knows, plugged in
// before or during the game. A pad holds and presses the keys and mouse
// buttons it stands for, and its right stick moves the cursor, so the game
// and its demos see nothing but keys, buttons and a cursor.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "platform/layer.h"
#include "platform/platform.h"

using namespace layer;

namespace {

constexpr int MAX_PADS = 4;             // pads read at once; more are ignored
constexpr int STICK_DEAD_ZONE = 12000;  // of 32767: a stick at rest drifts this far
constexpr int TRIGGER_PULLED = 12000;   // of 32767: a trigger pulled this far holds its button
constexpr float CURSOR_SPEED = 10.0f;   // frame pixels per poll, the right stick pushed all the way
constexpr Uint32 NO_PAD = 0xffffffffu;  // an empty slot's instance id

// The key each button stands for; KEY_NULL for none.
constexpr std::array<int, SDL_CONTROLLER_BUTTON_MAX> KeysOfButtons()
{
    std::array<int, SDL_CONTROLLER_BUTTON_MAX> k{};
    k[SDL_CONTROLLER_BUTTON_A] = KEY_W;          // jump
    k[SDL_CONTROLLER_BUTTON_DPAD_LEFT] = KEY_A;  // walk
    k[SDL_CONTROLLER_BUTTON_DPAD_RIGHT] = KEY_D;
    k[SDL_CONTROLLER_BUTTON_LEFTSHOULDER] = KEY_MINUS;   // zoom out
    k[SDL_CONTROLLER_BUTTON_RIGHTSHOULDER] = KEY_EQUAL;  // zoom in
    k[SDL_CONTROLLER_BUTTON_START] = KEY_P;              // pause
    k[SDL_CONTROLLER_BUTTON_BACK] = KEY_F1;              // the controls
    return k;
}
constexpr std::array<int, SDL_CONTROLLER_BUTTON_MAX> KEY_OF_BUTTON = KeysOfButtons();
constexpr int PAD_KEYS[] = {KEY_W, KEY_A, KEY_D, KEY_MINUS, KEY_EQUAL, KEY_P, KEY_F1};

struct Pads {
    bool started = false;                      // the game controller part of SDL runs
    SDL_GameController* open[MAX_PADS] = {};   // the pads read, or null
    SDL_JoystickID ids[MAX_PADS] = {};         // their instance ids
    bool keyHeld[KEY_CODE_COUNT] = {};         // by key code: held by a pad at the last poll
    bool buttonHeld[MOUSE_BUTTON_COUNT] = {};  // by mouse button: held by a trigger at the last poll
    bool cursorShown = false;                  // the right stick moved the cursor since the mouse last did
    float cursorX = 0.0f, cursorY = 0.0f;      // that cursor, frame pixels
};
Pads gPads;

void Plugged(int deviceIndex)
{
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (int i = 0; i < MAX_PADS; ++i)
        if (gPads.open[i] && gPads.ids[i] == id) return;  // announced twice
    for (int i = 0; i < MAX_PADS; ++i) {
        if (gPads.open[i]) continue;
        gPads.open[i] = SDL_GameControllerOpen(deviceIndex);
        gPads.ids[i] = id;
        return;
    }
}

void Unplugged(SDL_JoystickID id)
{
    for (int i = 0; i < MAX_PADS; ++i) {
        if (!gPads.open[i] || gPads.ids[i] != id) continue;
        SDL_GameControllerClose(gPads.open[i]);
        gPads.open[i] = nullptr;
        gPads.ids[i] = static_cast<SDL_JoystickID>(NO_PAD);
    }
    // The last pad gone: its cursor goes with it.
    if (std::none_of(std::begin(gPads.open), std::end(gPads.open), [](SDL_GameController* p) { return p; }))
        gPads.cursorShown = false;
}

// The stick's push beyond its dead zone, -1 to 1.
float Push(Sint16 axis)
{
    const int a = axis;
    if (std::abs(a) <= STICK_DEAD_ZONE) return 0.0f;
    const float beyond = static_cast<float>(std::abs(a) - STICK_DEAD_ZONE) / (32767.0f - STICK_DEAD_ZONE);
    return std::copysign(std::min(beyond, 1.0f), static_cast<float>(a));
}

}  // namespace

namespace layer {

void OpenGamepads()
{
    gPads = Pads{};
    for (SDL_JoystickID& id : gPads.ids) id = static_cast<SDL_JoystickID>(NO_PAD);
    gPads.started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

void CloseGamepads()
{
    if (!gPads.started) return;
    for (SDL_GameController* pad : gPads.open)
        if (pad) SDL_GameControllerClose(pad);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    gPads = Pads{};
}

void GamepadEvent(const SDL_Event& e)
{
    if (!gPads.started) return;
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: Plugged(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: Unplugged(e.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN: {
            // A press counts even when the button is let go before the poll
            // ends, as a key's does.
            const int key = e.cbutton.button < SDL_CONTROLLER_BUTTON_MAX ? KEY_OF_BUTTON[e.cbutton.button] : KEY_NULL;
            if (key != KEY_NULL && !L.keyDown[key] && !gPads.keyHeld[key]) L.keyPressed[key] = true;
            break;
        }
        case SDL_MOUSEMOTION: gPads.cursorShown = false; break;  // the mouse takes the cursor back
        default: break;
    }
}

void ReadGamepads()
{
    if (!gPads.started) return;
    bool keys[KEY_CODE_COUNT] = {};
    bool buttons[MOUSE_BUTTON_COUNT] = {};
    float cursorX = 0.0f, cursorY = 0.0f;
    for (SDL_GameController* pad : gPads.open) {
        if (!pad) continue;
        for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b)
            if (KEY_OF_BUTTON[b] != KEY_NULL &&
                SDL_GameControllerGetButton(pad, static_cast<SDL_GameControllerButton>(b)))
                keys[KEY_OF_BUTTON[b]] = true;
        const float walk = Push(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX));
        if (walk < 0.0f) keys[KEY_A] = true;
        if (walk > 0.0f) keys[KEY_D] = true;
        // The right trigger digs like the right mouse button, the left places like the left one.
        if (SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > TRIGGER_PULLED)
            buttons[MOUSE_BUTTON_RIGHT] = true;
        if (SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT) > TRIGGER_PULLED)
            buttons[MOUSE_BUTTON_LEFT] = true;
        cursorX += Push(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX));
        cursorY += Push(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY));
    }
    // Held now and not at the poll before: pressed, unless the keyboard already holds it.
    for (int key : PAD_KEYS) {
        if (keys[key] && !gPads.keyHeld[key] && !L.keyDown[key]) L.keyPressed[key] = true;
        gPads.keyHeld[key] = keys[key];
    }
    for (int b = 0; b < MOUSE_BUTTON_COUNT; ++b) {
        if (buttons[b] && !gPads.buttonHeld[b] && !L.buttonDown[b]) L.buttonPressed[b] = true;
        gPads.buttonHeld[b] = buttons[b];
    }
    // The stick takes the cursor from wherever the mouse left it.
    if (cursorX != 0.0f || cursorY != 0.0f) {
        if (!gPads.cursorShown) {
            gPads.cursorX = std::clamp(L.mouse.x, 0.0f, static_cast<float>(L.width - 1));
            gPads.cursorY = std::clamp(L.mouse.y, 0.0f, static_cast<float>(L.height - 1));
            gPads.cursorShown = true;
        }
        gPads.cursorX = std::clamp(gPads.cursorX + CURSOR_SPEED * cursorX, 0.0f, static_cast<float>(L.width - 1));
        gPads.cursorY = std::clamp(gPads.cursorY + CURSOR_SPEED * cursorY, 0.0f, static_cast<float>(L.height - 1));
    }
    if (gPads.cursorShown) L.mouse = Vector2{std::floor(gPads.cursorX), std::floor(gPads.cursorY)};
}

bool PadHoldsKey(int key) { return key > 0 && key < KEY_CODE_COUNT && gPads.keyHeld[key]; }

bool PadHoldsButton(int button) { return button >= 0 && button < MOUSE_BUTTON_COUNT && gPads.buttonHeld[button]; }

}  // namespace layer

bool IsGamepadCursorShown(void) { return L.open && gPads.cursorShown; }
