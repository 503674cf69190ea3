// The browser backend's pure parts, under node: the key names a page gives,
// the schedule that picks which animation frames run a game frame, and the
// touch controls' calls as the game's keys and buttons.
#include <gtest/gtest.h>

#include <vector>

#include "backends/web/web_keys.h"
#include "backends/web/web_pacing.h"
#include "backends/web/web_page.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "shell/controls.h"

TEST(WebKeys, PhysicalNamesGiveTheGamesKeyCodes)
{
    // The game's keys by their place on the keyboard.
    EXPECT_EQ(KeyFromCode("KeyA"), KEY_A);
    EXPECT_EQ(KeyFromCode("KeyD"), KEY_D);
    EXPECT_EQ(KeyFromCode("KeyW"), KEY_W);
    EXPECT_EQ(KeyFromCode("KeyS"), KEY_S);
    EXPECT_EQ(KeyFromCode("KeyV"), KEY_V);
    EXPECT_EQ(KeyFromCode("Minus"), KEY_MINUS);
    EXPECT_EQ(KeyFromCode("Equal"), KEY_EQUAL);
    EXPECT_EQ(KeyFromCode("NumpadSubtract"), KEY_KP_SUBTRACT);
    EXPECT_EQ(KeyFromCode("NumpadAdd"), KEY_KP_ADD);
    EXPECT_EQ(KeyFromCode("Escape"), KEY_ESCAPE);
    // Numbered families, at both ends.
    EXPECT_EQ(KeyFromCode("Digit0"), CODE_ZERO);
    EXPECT_EQ(KeyFromCode("Digit9"), CODE_ZERO + 9);
    EXPECT_EQ(KeyFromCode("Numpad0"), CODE_KP_0);
    EXPECT_EQ(KeyFromCode("Numpad9"), CODE_KP_0 + 9);
    EXPECT_EQ(KeyFromCode("F1"), CODE_F1);
    EXPECT_EQ(KeyFromCode("F11"), CODE_F11);
    EXPECT_EQ(KeyFromCode("F12"), CODE_F12);
    EXPECT_EQ(KeyFromCode("F24"), CODE_F1 + 23);
    EXPECT_EQ(KeyFromCode("ShiftLeft"), CODE_LEFT_SHIFT);
    EXPECT_EQ(KeyFromCode("AltRight"), CODE_RIGHT_ALT);
}

TEST(WebKeys, NamesThatAreNotKeysGiveNothing)
{
    // Near misses of the families above must not be read as keys: a page
    // can hand on any string, and a wrong key code would be pressed.
    for (const char* code : {"", "Key", "Keya", "KeyAA", "Digit", "Digit10", "Numpad10", "F0", "F25", "F1x", "F123",
                             "NumpadComma", "Unidentified", "Lang1"})
        EXPECT_EQ(KeyFromCode(code), KEY_NULL) << "'" << code << "'";
    EXPECT_EQ(KeyFromCode(nullptr), KEY_NULL);
}

TEST(WebKeys, TheGamesKeysKeepThePageStillButBrowserShortcutsPass)
{
    BindControls();  // as the game does at start
    for (int key : INPUT_FRAME_KEYS) {
        EXPECT_TRUE(KeyIsTheGames(key, false)) << key;
        EXPECT_FALSE(KeyIsTheGames(key, true)) << key;  // Ctrl+- still zooms the page
    }
    EXPECT_TRUE(KeyIsTheGames(CODE_F11, false));
    EXPECT_TRUE(KeyIsTheGames(WEB_SCREENSHOT_KEY, false));
    EXPECT_NE(WEB_SCREENSHOT_KEY, KEY_P) << "P pauses";
    EXPECT_TRUE(KeyIsTheGames(KEY_P, false) && KeyIsTheGames(KEY_F1, false)) << "the page's own F1 stays shut";
    EXPECT_FALSE(KeyIsTheGames(CODE_SPACE, false));
    EXPECT_FALSE(KeyIsTheGames(CODE_TAB, false));  // Tab still moves the focus
}

// Runs a pacer over animation frames `vsync` ms apart for `ms` milliseconds
// and returns when frames ran.
std::vector<double> RunPacer(FramePacer* p, double start, double vsync, double ms, double period = 1000.0 / 30.0)
{
    std::vector<double> ran;
    for (double t = start; t < start + ms; t += vsync)
        if (FrameDue(p, t, period)) ran.push_back(t);
    return ran;
}

TEST(WebPacing, ThirtyFramesASecondOnDisplaysOfAnyRate)
{
    for (double hz : {30.0, 60.0, 75.0, 120.0, 144.0, 240.0}) {
        FramePacer p;
        const std::vector<double> ran = RunPacer(&p, 1000.0, 1000.0 / hz, 10000.0);
        // Ten seconds: 300 frames, give or take the one at the edge.
        EXPECT_GE(ran.size(), 299u) << hz << " Hz";
        EXPECT_LE(ran.size(), 301u) << hz << " Hz";
        // Each frame within a display frame of its time: no two frames a
        // display frame apart or less, and no gap of more than a game frame
        // and a display frame.
        for (size_t i = 1; i < ran.size(); i++) {
            EXPECT_GT(ran[i] - ran[i - 1], 1000.0 / 30.0 - 1000.0 / hz + 1e-9) << hz << " Hz, frame " << i;
            EXPECT_LT(ran[i] - ran[i - 1], 1000.0 / 30.0 + 1000.0 / hz + 1e-9) << hz << " Hz, frame " << i;
        }
    }
}

TEST(WebPacing, AHiddenTabResumesWithoutABurst)
{
    FramePacer p;
    RunPacer(&p, 0.0, 1000.0 / 60.0, 2000.0);
    // The tab was hidden for a minute: the browser sent no animation frames.
    // On its return one frame runs, then the schedule goes on from there.
    const std::vector<double> after = RunPacer(&p, 62000.0, 1000.0 / 60.0, 1000.0);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after[0], 62000.0);
    EXPECT_LE(after.size(), 31u);
    for (size_t i = 1; i < after.size(); i++) EXPECT_GT(after[i] - after[i - 1], 25.0);
}

TEST(WebPacing, TheFirstFrameAfterAResetRunsAtOnce)
{
    FramePacer p;
    EXPECT_TRUE(FrameDue(&p, 500.0, 1000.0 / 30.0));
    EXPECT_FALSE(FrameDue(&p, 510.0, 1000.0 / 30.0));
    ResetPacer(&p);
    EXPECT_TRUE(FrameDue(&p, 511.0, 1000.0 / 30.0));
}

// The touch controls' calls reach the game as its keys and buttons, after the
// next poll like any page event; a control the game has no key for is nothing.
TEST(WebTouch, ControlsActAsTheGamesKeysAndButtons)
{
    ASSERT_TRUE(InitWindow(640, 480, "touch"));
    delve_touch_key("KeyD", 1);
    delve_touch_key("KeyW", 1);
    EXPECT_FALSE(IsKeyDown(KEY_D)) << "held only from the next poll";
    PollInputEvents();
    EXPECT_TRUE(IsKeyDown(KEY_D) && IsKeyDown(KEY_W));
    EXPECT_TRUE(IsKeyPressed(KEY_D));
    delve_touch_key("KeyD", 0);
    PollInputEvents();
    EXPECT_FALSE(IsKeyDown(KEY_D));
    EXPECT_TRUE(IsKeyDown(KEY_W)) << "each finger on its own";
    // A zoom button tapped between two polls still counts once.
    delve_touch_key("Minus", 1);
    delve_touch_key("Minus", 0);
    PollInputEvents();
    EXPECT_TRUE(IsKeyPressed(KEY_MINUS));
    // Neither a key the game lacks nor one the page keeps (Escape would quit).
    delve_touch_key("Nonsense", 1);
    delve_touch_key("Escape", 1);
    PollInputEvents();
    EXPECT_FALSE(IsKeyDown(KEY_ESCAPE));
    EXPECT_FALSE(WindowShouldClose());
    // A finger on the game: the dig button, held, then everything let go.
    delve_touch_point(MOUSE_BUTTON_RIGHT, 1, 10.0, 10.0);
    delve_touch_point(7, 1, 10.0, 10.0);  // not a button a finger holds
    PollInputEvents();
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT) || IsMouseButtonDown(7));
    delve_touch_let_go();
    PollInputEvents();
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    EXPECT_FALSE(IsKeyDown(KEY_W));
    CloseWindow();
}

// Without a page (as under node) there is no fullscreen to go to: the game
// asks, is told no, and never takes itself for fullscreen.
TEST(WebWindow, WithoutAPageThereIsNoFullscreen)
{
    ASSERT_TRUE(InitWindow(640, 480, "no page"));
    EXPECT_FALSE(IsWindowFullscreen());
    testing::internal::CaptureStderr();
    ToggleFullscreen();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "delve: this browser offers no fullscreen\n");
    EXPECT_FALSE(IsWindowFullscreen());
    CloseWindow();
}
