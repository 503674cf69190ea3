// The SDL2 backend's gamepads (backend.h's BackendReadPads): any pad SDL's
// game controller API knows, plugged in before or during the game.
#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "backends/sdl/sdl_backend.h"
#include "platform/backend.h"

namespace {

constexpr int MAX_PADS = 4;             // pads read at once; more are ignored
constexpr int STICK_DEAD_ZONE = 12000;  // of 32767: a stick at rest drifts this far

// SDL's button behind each PadButton, in its order.
constexpr SDL_GameControllerButton SDL_BUTTON_OF_PAD[PAD_BUTTON_COUNT] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_BACK,
};

struct SdlPads {
    bool started = false;                     // SDL's game controller part runs
    SDL_GameController* open[MAX_PADS] = {};  // the pads read, or null
    SDL_JoystickID ids[MAX_PADS] = {};        // their instance ids
    uint32_t pressed = 0;                     // PadButton bits pressed since the last read
};
SdlPads gPads;

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
    }
}

// A stick's push beyond its dead zone, -1 to 1.
float Push(Sint16 axis)
{
    const int a = axis;
    if (std::abs(a) <= STICK_DEAD_ZONE) return 0.0f;
    const float beyond = static_cast<float>(std::abs(a) - STICK_DEAD_ZONE) / (32767.0f - STICK_DEAD_ZONE);
    return std::copysign(std::min(beyond, 1.0f), static_cast<float>(a));
}

// The larger push of two, either way.
float Stronger(float a, float b) { return std::abs(b) > std::abs(a) ? b : a; }

}  // namespace

void SdlOpenPads(void)
{
    gPads = SdlPads{};
    // Without it the game simply has no gamepad. Pads already plugged in are
    // announced as the first events.
    gPads.started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

void SdlClosePads(void)
{
    if (!gPads.started) return;
    for (SDL_GameController* pad : gPads.open)
        if (pad) SDL_GameControllerClose(pad);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    gPads = SdlPads{};
}

void SdlPadEvent(const SDL_Event& e)
{
    if (!gPads.started) return;
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: Plugged(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: Unplugged(e.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN:
            // Kept until read, so a press let go before the poll ends still counts.
            for (int b = 0; b < PAD_BUTTON_COUNT; ++b)
                if (e.cbutton.button == SDL_BUTTON_OF_PAD[b]) gPads.pressed |= 1u << b;
            break;
        default: break;
    }
}

void BackendReadPads(PadInput* pads)
{
    *pads = PadInput{};
    pads->pressed = gPads.pressed;
    gPads.pressed = 0;
    for (SDL_GameController* pad : gPads.open) {
        if (!pad) continue;
        pads->pads++;
        for (int b = 0; b < PAD_BUTTON_COUNT; ++b)
            if (SDL_GameControllerGetButton(pad, SDL_BUTTON_OF_PAD[b])) pads->held |= 1u << b;
        pads->leftX = Stronger(pads->leftX, Push(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX)));
        pads->rightX = Stronger(pads->rightX, Push(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX)));
        pads->rightY = Stronger(pads->rightY, Push(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY)));
        // Triggers run from 0 to 32767.
        pads->leftTrigger =
            std::max(pads->leftTrigger, SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT) / 32767.0f);
        pads->rightTrigger =
            std::max(pads->rightTrigger, SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) / 32767.0f);
    }
}
