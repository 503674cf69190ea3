// The gamepad, headless: a virtual pad (SDL's virtual joystick) plugged in and
// out mid-game walks, jumps, zooms, digs at its own cursor, pauses and shows
// the controls, all through the keys and buttons the game already reads.
#include <SDL.h>

#include <cstdlib>

#include "entities/entity.h"
#include "harness/input_events.h"
#include "headless_game.h"
#include "shell/comforts.h"

namespace {

using input_events::PushMouseMove;

constexpr Sint16 FULL = 32767;

struct GamepadTest : HeadlessGame {
    int device = -1;
    SDL_Joystick* pad = nullptr;

    void SetUp() override
    {
        // A headless window never has the keyboard's focus, without which SDL
        // drops a pad's presses.
        setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
        HeadlessGame::SetUp();
        SettleCameraOnPlayer();
        Frames(2);
    }
    void TearDown() override
    {
        if (pad) Unplug();
        HeadlessGame::TearDown();
    }
    void Plug()
    {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "delve test pad";
        device = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(device, 0) << SDL_GetError();
        pad = SDL_JoystickOpen(device);  // the handle that sets its state
        ASSERT_NE(pad, nullptr) << SDL_GetError();
        Poll();
    }
    // Unplugs the pad behind `handle` (device numbers shift as pads go).
    static void Detach(SDL_Joystick* handle)
    {
        const SDL_JoystickID id = SDL_JoystickInstanceID(handle);
        SDL_JoystickClose(handle);
        for (int i = 0; i < SDL_NumJoysticks(); i++)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    void Unplug()
    {
        Detach(pad);
        pad = nullptr;
        Poll();
    }
    void Button(SDL_GameControllerButton b, bool down) { SDL_JoystickSetVirtualButton(pad, b, down ? 1 : 0); }
    void Axis(SDL_GameControllerAxis a, Sint16 v) { SDL_JoystickSetVirtualAxis(pad, a, v); }
};

TEST_F(GamepadTest, StickAndDpadWalkTheSouthButtonJumpsAndADemoSeesThemAsKeys)
{
    Plug();
    Axis(SDL_CONTROLLER_AXIS_LEFTX, FULL);
    Poll();
    EXPECT_TRUE(IsKeyDown(KEY_D) && IsKeyPressed(KEY_D));
    EXPECT_FALSE(IsKeyDown(KEY_A));
    EXPECT_EQ(GetInputFrame().keysDown, 1u << 1) << "recorded as D";
    InputHandle(game.player);
    EXPECT_EQ(game.player->acc.x, 0.1f);
    Poll();
    EXPECT_TRUE(IsKeyDown(KEY_D));
    EXPECT_FALSE(IsKeyPressed(KEY_D)) << "held, pressed only once";

    Axis(SDL_CONTROLLER_AXIS_LEFTX, 3000);  // a stick at rest drifts: no walking
    Poll();
    EXPECT_FALSE(IsKeyDown(KEY_D) || IsKeyDown(KEY_A));
    Axis(SDL_CONTROLLER_AXIS_LEFTX, -FULL);
    Poll();
    EXPECT_TRUE(IsKeyDown(KEY_A));
    Axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    Poll();
    EXPECT_TRUE(IsKeyDown(KEY_D) && !IsKeyDown(KEY_A));
    Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
    Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    Poll();
    EXPECT_TRUE(IsKeyDown(KEY_A) && !IsKeyDown(KEY_D));
    Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);

    Button(SDL_CONTROLLER_BUTTON_A, true);
    Poll();
    EXPECT_TRUE(IsKeyDown(KEY_W));
    game.player->istouchingground = true;
    game.player->vel.y = 0.0f;
    InputHandle(game.player);
    EXPECT_EQ(game.player->vel.y, 1.5f);
    Button(SDL_CONTROLLER_BUTTON_A, false);
    Poll();
    EXPECT_FALSE(IsKeyDown(KEY_W));
}

TEST_F(GamepadTest, TheShouldersZoomOneStepPerPress)
{
    Plug();
    Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    Poll();
    Frames(3);  // held: one step only
    EXPECT_EQ(WORLDSCALE, 17);
    Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false);
    Poll();
    Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
    Poll();
    Frames(1);
    Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, false);
    Poll();
    Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
    Poll();
    Frames(1);
    EXPECT_EQ(WORLDSCALE, 15);
}

TEST_F(GamepadTest, TheRightStickMovesACursorTheTriggersDigAndPlaceAtAndTheMouseTakesBack)
{
    Tile& player = game.world[49]->wd[100][8];  // under frame pixels (320..335, 256..271)
    Tile& right = game.world[49]->wd[101][8];   // (336..351, 256..271)
    ASSERT_EQ(player.v, 1);
    ASSERT_EQ(right.v, 1);
    PushMouseMove(308, 264);
    Plug();
    EXPECT_FALSE(IsGamepadCursorShown());
    // Ten pixels a poll, the stick pushed all the way: two polls to (328, 264).
    Axis(SDL_CONTROLLER_AXIS_RIGHTX, FULL);
    Poll();
    Poll();
    Axis(SDL_CONTROLLER_AXIS_RIGHTX, 0);
    Poll();
    EXPECT_TRUE(IsGamepadCursorShown());
    EXPECT_EQ(GetMousePosition().x, 328.0f);
    EXPECT_EQ(GetMousePosition().y, 264.0f);
    EXPECT_EQ(GetInputFrame().mouse.x, 328.0f) << "demos record the pad's cursor";

    Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, FULL);
    Poll();
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    GlobalTick(&game);
    EXPECT_EQ(player.v, 0) << "dug at the pad's cursor";
    EXPECT_EQ(right.v, 1);
    Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, FULL);
    Poll();
    GlobalTick(&game);
    EXPECT_EQ(player.v, 1) << "placed again";
    Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0);
    Poll();

    // Drawn while the pad has it: a light cross on the frame, where no tile is white.
    Comforts comforts;
    RunFrame(&game, &loop, &comforts);
    EXPECT_TRUE(SameRgb(Screenshot("pad-cursor.png").At(328, 264), Color{255, 255, 255, 255}));
    // The stick pushes it no farther than the frame's edge.
    Axis(SDL_CONTROLLER_AXIS_RIGHTY, -FULL);
    for (int i = 0; i < 40; i++) Poll();
    EXPECT_EQ(GetMousePosition().y, 0.0f);
    Axis(SDL_CONTROLLER_AXIS_RIGHTY, 0);

    PushMouseMove(100, 100);
    Poll();
    EXPECT_FALSE(IsGamepadCursorShown());
    EXPECT_EQ(GetMousePosition().x, 100.0f);
    RunFrame(&game, &loop, &comforts);
    EXPECT_FALSE(SameRgb(Screenshot("no-pad-cursor.png").At(328, 264), Color{255, 255, 255, 255}));
}

TEST_F(GamepadTest, StartPausesAndBackShowsTheControls)
{
    Plug();
    Comforts comforts;
    Button(SDL_CONTROLLER_BUTTON_START, true);
    Poll();
    EXPECT_TRUE(PausedFrame(&comforts));
    Button(SDL_CONTROLLER_BUTTON_START, false);
    Button(SDL_CONTROLLER_BUTTON_BACK, true);
    Poll();
    EXPECT_TRUE(PausedFrame(&comforts));
    EXPECT_TRUE(comforts.overlay);
    Button(SDL_CONTROLLER_BUTTON_BACK, false);
    Button(SDL_CONTROLLER_BUTTON_START, true);
    Poll();
    EXPECT_FALSE(PausedFrame(&comforts));
}

TEST_F(GamepadTest, UnpluggingLetsGoOfEverythingAndAPadPluggedInAgainWorks)
{
    Plug();
    Axis(SDL_CONTROLLER_AXIS_LEFTX, FULL);
    Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, FULL);
    Axis(SDL_CONTROLLER_AXIS_RIGHTY, FULL);
    Poll();
    ASSERT_TRUE(IsKeyDown(KEY_D) && IsMouseButtonDown(MOUSE_BUTTON_RIGHT) && IsGamepadCursorShown());
    const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
    ASSERT_NE(SDL_GameControllerFromInstanceID(id), nullptr) << "the game opened the pad";
    Unplug();
    Frames(1);
    // Its controller closed, or every pad plugged in and out stays held.
    EXPECT_EQ(SDL_GameControllerFromInstanceID(id), nullptr) << "the game let go of the unplugged pad";
    EXPECT_FALSE(IsKeyDown(KEY_D) || IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    EXPECT_FALSE(IsGamepadCursorShown());

    Plug();
    Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    Poll();
    EXPECT_TRUE(IsKeyDown(KEY_A));
    // Two pads at once: either one holds the key.
    SDL_Joystick* first = pad;
    pad = nullptr;
    Plug();
    Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    Poll();
    EXPECT_TRUE(IsKeyDown(KEY_A)) << "the first pad still holds it";
    Detach(first);
    Poll();
    EXPECT_FALSE(IsKeyDown(KEY_A));
}

}  // namespace
