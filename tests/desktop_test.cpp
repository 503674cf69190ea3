// The window on a desktop, headless: the frame scaled into windows of any
// size between black bars, the cursor mapped back through the same view,
// fullscreen, the wheel, the main-row zoom keys and F12 screenshots. The
// window's own pixels are read from its surface on SDL's dummy driver.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "backends/sdl/sdl_backend.h"
#include "harness/input_events.h"
#include "platform/keycodes.h"
#include "platform/platform.h"

#include "desktop_fixture.h"

namespace {

using namespace desktop;
using namespace input_events;

TEST_F(Desktop, ScaleOpensAWholeMultipleWithEachFramePixelABlockAndScreenshotsAtFrameSize)
{
    for (int k : {1, 2, 3}) {
        SCOPED_TRACE(k);
        CloseWindow();
        Open(k);
        EXPECT_EQ(WindowSize(), (std::array<int, 2>{640 * k, 480 * k}));
        DrawMarks();
        ExpectMarks(0, 0, k);
    }
    // The screenshot is the frame itself, 640x480.
    const std::string path = testing::TempDir() + "delve_desktop_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(TakeScreenshot(path.c_str()));
    const Png shot = ReadPng(path);
    std::remove(path.c_str());
    ASSERT_FALSE(shot.rgba.empty());
    EXPECT_EQ(shot.w, 640);
    EXPECT_EQ(shot.h, 480);
    // Out-of-range scales are held to 1..8.
    CloseWindow();
    Open(0);
    EXPECT_EQ(WindowSize(), (std::array<int, 2>{640, 480}));
    CloseWindow();
    Open(99);
    EXPECT_EQ(WindowSize(), (std::array<int, 2>{5120, 3840}));
}

TEST_F(Desktop, ResizingRecentresTheFrameBetweenBlackBarsAndShrinksItBelowItsSize)
{
    Open(1);
    SetWindowSize(1400, 1000);  // 2x at (60, 20)
    DrawMarks();
    ASSERT_EQ(WindowSize(), (std::array<int, 2>{1400, 1000}));
    ExpectMarks(60, 20, 2);
    for (auto [x, y] : {std::pair{0, 0}, {59, 500}, {1340, 500}, {1399, 999}, {700, 19}, {700, 980}})
        EXPECT_EQ(WindowAt(x, y), BLACK) << x << ", " << y;

    // Shrunk to half: every other frame pixel; the red pixel at an odd column
    // is not among them, the green corner square is.
    SetWindowSize(320, 240);
    DrawMarks();
    EXPECT_EQ(WindowAt(2, 3), BG_RGB);
    EXPECT_EQ(WindowAt(319, 239), GREEN_RGB);
    EXPECT_EQ(WindowAt(318, 238), BG_RGB);
    BeginDrawing();
    ClearBackground(GREY);
    DrawRectangle(100, 60, 1, 1, RED);
    EndDrawing();
    EXPECT_EQ(WindowAt(50, 30), RED_RGB);

    // A window the desktop painted over (exposed) gets its bars back.
    SetWindowSize(1000, 700);  // 1x at (180, 110)
    DrawMarks();
    DrawMarks();  // the resize's own event has been seen and answered
    ExpectMarks(180, 110, 1);
    SDL_Surface* s = SDL_GetWindowSurface(gSdl.window);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 9, 9, 9));
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    SDL_PushEvent(&e);
    PollInputEvents();
    DrawMarks();
    EXPECT_EQ(WindowAt(0, 0), BLACK);
    EXPECT_EQ(WindowAt(179, 400), BLACK);
    ExpectMarks(180, 110, 1);
}

TEST_F(Desktop, TheCursorIsInFramePixelsThroughTheSameViewAndOutsideOverTheBars)
{
    Open(2);
    ExpectMouse(MouseAfterMove(2 * 100 + 1, 2 * 50 + 1), 100, 50);
    ExpectMouse(MouseAfterMove(1279, 959), 639, 479);
    SetWindowSize(1400, 1000);  // 2x at (60, 20)
    DrawMarks();
    ExpectMouse(MouseAfterMove(60, 20), 0, 0);
    ExpectMouse(MouseAfterMove(60 + 2 * 321, 20 + 2 * 123 + 1), 321, 123);
    const Vector2 left = MouseAfterMove(59, 500), right = MouseAfterMove(1340, 500);
    const Vector2 above = MouseAfterMove(700, 19), below = MouseAfterMove(700, 980);
    EXPECT_LT(left.x, 0.0f);
    EXPECT_GE(right.x, 640.0f);
    EXPECT_LT(above.y, 0.0f);
    EXPECT_GE(below.y, 480.0f);
    // A resize without a move still maps the cursor afresh at the next poll.
    MouseAfterMove(400, 300);
    SetWindowSize(640, 480);
    PollInputEvents();
    ExpectMouse(GetMousePosition(), 400, 300);
    // A button carries the cursor's place too.
    SetWindowSize(1280, 960);
    PollInputEvents();
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.state = SDL_PRESSED;
    e.button.x = 600;
    e.button.y = 402;
    SDL_PushEvent(&e);
    PollInputEvents();
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    ExpectMouse(GetMousePosition(), 300, 201);
}

TEST_F(Desktop, WheelNotchesAddUpOverOnePollUpPositiveWhateverTheScrollingDirection)
{
    Open(1);
    PollInputEvents();
    EXPECT_EQ(GetMouseWheelMove(), 0.0f);
    PushWheel(1);
    PushWheel(2);
    PushWheel(-1);
    EXPECT_EQ(GetMouseWheelMove(), 0.0f) << "nothing before a poll";
    PollInputEvents();
    EXPECT_EQ(GetMouseWheelMove(), 2.0f);
    PollInputEvents();
    EXPECT_EQ(GetMouseWheelMove(), 0.0f) << "reset at each poll";
    PushWheel(1, true);  // "natural" scrolling reports it the other way round
    PushWheel(-3, true);
    PollInputEvents();
    EXPECT_EQ(GetMouseWheelMove(), -2.0f);
}

TEST_F(Desktop, MainRowMinusAndEqualAreKeysOfTheirOwn)
{
    Open(1);
    PushKeyScancode(SDL_SCANCODE_MINUS, true);
    PollInputEvents();
    EXPECT_TRUE(IsKeyPressed(KEY_MINUS) && !IsKeyDown(KEY_EQUAL) && !IsKeyDown(KEY_KP_SUBTRACT));
    PushKeyScancode(SDL_SCANCODE_MINUS, false);
    PushKeyScancode(SDL_SCANCODE_EQUALS, true);
    PollInputEvents();
    EXPECT_TRUE(IsKeyPressed(KEY_EQUAL) && !IsKeyDown(KEY_MINUS) && !IsKeyDown(KEY_KP_ADD));
}

TEST_F(Desktop, F11AndAltEnterToggleFullscreenRestoringTheSizeAndReachNoGameKey)
{
    Open(1);
    SetWindowSize(1000, 700);
    DrawMarks();
    SDL_DisplayMode desktop{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    const struct {
        const char* what;
        SDL_Scancode key;
        Uint16 mod;
    } toggles[] = {
        {"F11", SDL_SCANCODE_F11, KMOD_NONE},
        {"left Alt+Enter", SDL_SCANCODE_RETURN, KMOD_LALT},
        {"right Alt+Enter", SDL_SCANCODE_RETURN, KMOD_RALT},
    };
    for (const auto& t : toggles) {
        SCOPED_TRACE(t.what);
        PushKeyScancode(t.key, true, false, t.mod);
        PushKeyScancode(t.key, true, true, t.mod);  // held: the repeat does not toggle back
        DrawMarks();
        EXPECT_TRUE(IsWindowFullscreen());
        EXPECT_TRUE(NoKeyDown());
        EXPECT_EQ(WindowSize(), (std::array<int, 2>{desktop.w, desktop.h}));
        PushKeyScancode(t.key, false, false, t.mod);
        PushKeyScancode(t.key, true, false, t.mod);
        DrawMarks();
        EXPECT_FALSE(IsWindowFullscreen());
        EXPECT_TRUE(NoKeyDown());
        EXPECT_EQ(WindowSize(), (std::array<int, 2>{1000, 700})) << "the windowed size comes back";
        DrawMarks();
        ExpectMarks(180, 110, 1);
        EXPECT_EQ(WindowAt(0, 0), BLACK);
        PushKeyScancode(t.key, false, false, t.mod);
        PollInputEvents();
    }
    // Enter alone is an ordinary key.
    PushKeyScancode(SDL_SCANCODE_RETURN, true);
    PollInputEvents();
    EXPECT_FALSE(IsWindowFullscreen());
    EXPECT_FALSE(NoKeyDown());
}

TEST_F(Desktop, StartsFullscreenWhenAskedAndLeavesToTheScaledSize)
{
    SetConfigFlags(FLAG_FULLSCREEN_MODE);
    Open(2);
    EXPECT_TRUE(IsWindowFullscreen());
    ToggleFullscreen();
    EXPECT_FALSE(IsWindowFullscreen());
    EXPECT_EQ(WindowSize(), (std::array<int, 2>{1280, 960}));
}

}  // namespace
