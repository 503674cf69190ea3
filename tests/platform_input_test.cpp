// The window and the input of the graphics layer on the desktop backend, run
// headless on SDL's dummy video driver. Input goes through real SDL events.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "harness/input_events.h"
#include "platform/platform.h"
#include "renderer/platform_fixture.h"
#include "support/render_probe.h"

namespace {

using namespace input_events;

// The fixture's window, on the desktop backend's headless driver.
struct PlatformInput : Platform {
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        Platform::SetUp();
    }
};

TEST_F(PlatformInput, KeysChangeOnlyAtPollsAndEachPressCountsOnce)
{
    // Events between two polls: d = key down, r = auto-repeat, u = key up,
    // f = focus lost, after which no release arrives.
    const struct {
        const char* what;
        const char* events;
        bool down, pressed;
    } steps[] = {{"press", "d", true, true},         {"held", "", true, false},
                 {"auto-repeat", "rr", true, false}, {"release", "u", false, false},
                 {"tap", "du", true, true},          {"after the tap", "", false, false},
                 {"press again", "d", true, true},   {"focus lost while held", "f", false, false}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(steps[i].what);
        const bool down = IsKeyDown(KEY_D), pressed = IsKeyPressed(KEY_D);
        for (const char* e = steps[i].events; *e; ++e) {
            if (*e == 'f')
                PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
            else
                PushKeyScancode(SDL_SCANCODE_D, *e != 'u', *e == 'r');
        }
        EXPECT_TRUE(IsKeyDown(KEY_D) == down && IsKeyPressed(KEY_D) == pressed) << "nothing is seen before a poll";
        if (i % 2 == 0) {
            PollInputEvents();
        } else {  // the way the game polls: at the end of a frame
            BeginDrawing();
            EndDrawing();
        }
        EXPECT_EQ(IsKeyDown(KEY_D), steps[i].down);
        EXPECT_EQ(IsKeyPressed(KEY_D), steps[i].pressed);
    }
}

TEST_F(PlatformInput, EachGameKeyComesFromItsOwnPhysicalKeyAndNoOther)
{
    const int keys[] = {KEY_A, KEY_D, KEY_S, KEY_V, KEY_W, KEY_KP_SUBTRACT, KEY_KP_ADD};
    const SDL_Scancode positions[] = {SDL_SCANCODE_A, SDL_SCANCODE_D,        SDL_SCANCODE_S,      SDL_SCANCODE_V,
                                      SDL_SCANCODE_W, SDL_SCANCODE_KP_MINUS, SDL_SCANCODE_KP_PLUS};
    for (size_t i = 0; i < std::size(keys); ++i) {
        PushKeyScancode(positions[i], true);
        PollInputEvents();
        for (size_t j = 0; j < std::size(keys); ++j)
            EXPECT_EQ(IsKeyDown(keys[j]), i == j) << "scancode " << positions[i] << ", key " << keys[j];
        PushKeyScancode(positions[i], false);
        PollInputEvents();
    }
    // The main row's minus and plus are not the keypad's.
    PushKeyScancode(SDL_SCANCODE_MINUS, true);
    PushKeyScancode(SDL_SCANCODE_EQUALS, true);
    PollInputEvents();
    EXPECT_FALSE(IsKeyDown(KEY_KP_SUBTRACT) || IsKeyDown(KEY_KP_ADD));
}

TEST_F(PlatformInput, MouseCursorAndButtonsFollowThePollsUntilFocusIsLost)
{
    PollInputEvents();
    const Vector2 start = GetMousePosition();
    PushMouseMove(10, 20);
    PushMouseMove(321, 123);
    PushMouseButton(MOUSE_BUTTON_LEFT, true);
    PushMouseButton(2, true);  // the middle button is neither left nor right
    EXPECT_TRUE(GetMousePosition().x == start.x && GetMousePosition().y == start.y) << "nothing seen before a poll";
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT)) << "nothing is seen before a poll";
    PollInputEvents();
    EXPECT_TRUE(GetMousePosition().x == 321.0f && GetMousePosition().y == 123.0f) << "the poll's last move counts";
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_LEFT) && !IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    PushMouseMove(-5, 700);  // outside the window: passed on as it is
    PushMouseButton(MOUSE_BUTTON_RIGHT, true);
    PollInputEvents();
    EXPECT_TRUE(GetMousePosition().x == -5.0f && GetMousePosition().y == 700.0f);
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_LEFT) && IsMouseButtonDown(MOUSE_BUTTON_RIGHT)) << "held till released";
    PushMouseButton(MOUSE_BUTTON_LEFT, false);
    PollInputEvents();
    EXPECT_TRUE(!IsMouseButtonDown(MOUSE_BUTTON_LEFT) && IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    // A window without focus is sent no releases: what was held is let go.
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PollInputEvents();
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    // A click let go before the poll (a touchpad tap) is held for that one
    // frame, at the place it was made; the other button is untouched.
    PushMouseMove(50, 60);
    PushMouseButton(MOUSE_BUTTON_RIGHT, true);
    PushMouseButton(MOUSE_BUTTON_RIGHT, false);
    PollInputEvents();
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT) && !IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    EXPECT_TRUE(GetMousePosition().x == 50.0f && GetMousePosition().y == 60.0f);
    EXPECT_EQ(GetInputFrame().buttonsDown, 1u << MOUSE_BUTTON_RIGHT) << "a demo records the click as the frame read it";
    PollInputEvents();
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT)) << "one frame only";
}

TEST_F(PlatformInput, EscapeQuitEventAndCloseButtonEachAskToClose)
{
    const struct {
        const char* what;
        void (*push)();
    } requests[] = {{"Escape", [] { PushKey(KEY_ESCAPE, true); }},
                    {"quit event", PushQuit},
                    {"window close button", [] { PushWindowEvent(SDL_WINDOWEVENT_CLOSE); }}};
    for (const auto& request : requests) {
        SCOPED_TRACE(request.what);
        CloseWindow();
        ASSERT_TRUE(InitWindow(640, 480, "platform test"));
        PushKey(KEY_A, true);
        PollInputEvents();
        EXPECT_FALSE(WindowShouldClose()) << "an ordinary key does not close";
        request.push();
        EXPECT_FALSE(WindowShouldClose()) << "nothing is seen before a poll";
        PollInputEvents();
        EXPECT_TRUE(WindowShouldClose());
    }
}

TEST(PlatformLifecycle, NoDisplayMeansFalseAMessageAndHarmlessCalls)
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = driver ? driver : "dummy";
    setenv("SDL_VIDEODRIVER", "no-such-video-driver", 1);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(InitWindow(640, 480, "hello window"));
    const std::string err = testing::internal::GetCapturedStderr();
    setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    EXPECT_FALSE(IsWindowReady());
    EXPECT_TRUE(WindowShouldClose());
    testing::internal::CaptureStderr();  // the refused texture and screenshot say so
    EXPECT_EQ(Frame([] {
                  DrawRectangle(0, 0, 10, 10, WHITE);
                  DrawTriangle(Vector2{0, 0}, Vector2{0, 10}, Vector2{10, 0}, WHITE);
                  DrawText("hello delve", 50, 50, 30, WHITE);
                  Quad(Texture2D{1, 16, 16}, 0, 0, 16, WHITE);
              }),
              0u);
    EXPECT_FALSE(IsKeyDown(KEY_A) || IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    EXPECT_EQ(LoadTexture("resources/tiles.png").id, 0u);
    EXPECT_FALSE(TakeScreenshot(ScratchPath("none.png").c_str()));
    CloseWindow();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const std::string start = "delve: cannot open a window: ";
    EXPECT_EQ(err.rfind(start, 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_GT(err.size(), start.size() + 1) << "a reason is given";
}

TEST(PlatformLifecycle, EachWindowStartsFresh)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SetTargetFPS(0);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(InitWindow(640, 480, "hello window"));
        EXPECT_TRUE(IsWindowReady() && !WindowShouldClose());
        EXPECT_EQ(GetDrawnShapeCount(), 0u);
        EXPECT_FALSE(IsKeyDown(KEY_D) || IsMouseButtonDown(MOUSE_BUTTON_LEFT));
        EXPECT_TRUE(GetMousePosition().x == 0.0f && GetMousePosition().y == 0.0f);
        // Leave everything changed: a key and a button held, the cursor moved,
        // closing asked for, and a texture still loaded, which closing releases.
        const Texture2D t = WhiteTexture();
        PushKey(KEY_D, true);
        PushMouseMove(30, 40);
        PushMouseButton(MOUSE_BUTTON_LEFT, true);
        PushQuit();
        EXPECT_EQ(Frame([&] { Quad(t, 0, 0, 16, WHITE); }), 1u);
        ASSERT_TRUE(IsKeyDown(KEY_D) && IsMouseButtonDown(MOUSE_BUTTON_LEFT) && WindowShouldClose());
        CloseWindow();
        EXPECT_TRUE(!IsWindowReady() && WindowShouldClose());
        CloseWindow();  // twice: harmless
    }
}

}  // namespace
