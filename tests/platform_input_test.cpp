// The window and the input of the graphics layer on the desktop backend, run
// headless on SDL's dummy video driver. Input goes through real SDL events.
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Every key of a keyboard, by its place, under the number the key codes
// give it (platform.h's numbering, written out here by hand), first to last
// of each run. F11, F12 and Escape are the layer's own and left out.
TEST_F(PlatformInput, EveryPhysicalKeyHoldsItsOwnCode)
{
    std::vector<std::pair<SDL_Scancode, int>> keys = {{SDL_SCANCODE_SPACE, 32},
                                                      {SDL_SCANCODE_APOSTROPHE, 39},
                                                      {SDL_SCANCODE_COMMA, 44},
                                                      {SDL_SCANCODE_MINUS, 45},
                                                      {SDL_SCANCODE_PERIOD, 46},
                                                      {SDL_SCANCODE_SLASH, 47},
                                                      {SDL_SCANCODE_0, 48},
                                                      {SDL_SCANCODE_1, 49},
                                                      {SDL_SCANCODE_9, 57},
                                                      {SDL_SCANCODE_SEMICOLON, 59},
                                                      {SDL_SCANCODE_EQUALS, 61},
                                                      {SDL_SCANCODE_A, 65},
                                                      {SDL_SCANCODE_Z, 90},
                                                      {SDL_SCANCODE_LEFTBRACKET, 91},
                                                      {SDL_SCANCODE_BACKSLASH, 92},
                                                      {SDL_SCANCODE_NONUSHASH, 92},
                                                      {SDL_SCANCODE_RIGHTBRACKET, 93},
                                                      {SDL_SCANCODE_GRAVE, 96},
                                                      {SDL_SCANCODE_NONUSBACKSLASH, 162},
                                                      {SDL_SCANCODE_RETURN, 257},
                                                      {SDL_SCANCODE_TAB, 258},
                                                      {SDL_SCANCODE_BACKSPACE, 259},
                                                      {SDL_SCANCODE_INSERT, 260},
                                                      {SDL_SCANCODE_DELETE, 261},
                                                      {SDL_SCANCODE_RIGHT, 262},
                                                      {SDL_SCANCODE_LEFT, 263},
                                                      {SDL_SCANCODE_DOWN, 264},
                                                      {SDL_SCANCODE_UP, 265},
                                                      {SDL_SCANCODE_PAGEUP, 266},
                                                      {SDL_SCANCODE_PAGEDOWN, 267},
                                                      {SDL_SCANCODE_HOME, 268},
                                                      {SDL_SCANCODE_END, 269},
                                                      {SDL_SCANCODE_CAPSLOCK, 280},
                                                      {SDL_SCANCODE_SCROLLLOCK, 281},
                                                      {SDL_SCANCODE_NUMLOCKCLEAR, 282},
                                                      {SDL_SCANCODE_PRINTSCREEN, 283},
                                                      {SDL_SCANCODE_PAUSE, 284},
                                                      {SDL_SCANCODE_F1, 290},
                                                      {SDL_SCANCODE_F10, 299},
                                                      {SDL_SCANCODE_F13, 302},
                                                      {SDL_SCANCODE_F24, 313},
                                                      {SDL_SCANCODE_KP_0, 320},
                                                      {SDL_SCANCODE_KP_1, 321},
                                                      {SDL_SCANCODE_KP_9, 329},
                                                      {SDL_SCANCODE_KP_PERIOD, 330},
                                                      {SDL_SCANCODE_KP_DIVIDE, 331},
                                                      {SDL_SCANCODE_KP_MULTIPLY, 332},
                                                      {SDL_SCANCODE_KP_MINUS, 333},
                                                      {SDL_SCANCODE_KP_PLUS, 334},
                                                      {SDL_SCANCODE_KP_ENTER, 335},
                                                      {SDL_SCANCODE_KP_EQUALS, 336},
                                                      {SDL_SCANCODE_LSHIFT, 340},
                                                      {SDL_SCANCODE_LCTRL, 341},
                                                      {SDL_SCANCODE_LALT, 342},
                                                      {SDL_SCANCODE_LGUI, 343},
                                                      {SDL_SCANCODE_RSHIFT, 344},
                                                      {SDL_SCANCODE_RCTRL, 345},
                                                      {SDL_SCANCODE_RALT, 346},
                                                      {SDL_SCANCODE_RGUI, 347},
                                                      {SDL_SCANCODE_APPLICATION, 348}};
    for (int i = 0; i < 26; ++i) keys.emplace_back(static_cast<SDL_Scancode>(SDL_SCANCODE_A + i), 'A' + i);
    for (int i = 0; i < 9; ++i) keys.emplace_back(static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i), '1' + i);
    for (int i = 0; i < 10; ++i) keys.emplace_back(static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i), 290 + i);
    for (int i = 0; i < 12; ++i) keys.emplace_back(static_cast<SDL_Scancode>(SDL_SCANCODE_F13 + i), 302 + i);
    for (int i = 0; i < 9; ++i) keys.emplace_back(static_cast<SDL_Scancode>(SDL_SCANCODE_KP_1 + i), 321 + i);
    for (const auto& [scancode, code] : keys) {
        PushKeyScancode(scancode, true);
        PollInputEvents();
        EXPECT_TRUE(IsKeyDown(code) && IsKeyPressed(code)) << SDL_GetScancodeName(scancode) << " as " << code;
        EXPECT_FALSE(IsKeyDown(code - 1) || IsKeyDown(code + 1)) << SDL_GetScancodeName(scancode) << " as " << code;
        PushKeyScancode(scancode, false);
        PollInputEvents();
        EXPECT_FALSE(IsKeyDown(code)) << SDL_GetScancodeName(scancode);
    }
    // A key the game has no code for holds none.
    PushKeyScancode(SDL_SCANCODE_MUTE, true);
    PollInputEvents();
    for (int code = 0; code < 512; ++code) EXPECT_FALSE(IsKeyDown(code)) << code;
    PushKeyScancode(SDL_SCANCODE_MUTE, false);
    PollInputEvents();
}

// An image file is read whole up to 16 MiB: a file of exactly that size is
// read (and found to be no image), one byte more is refused unread, and a
// missing name, a folder and a device say what they are.
TEST_F(PlatformInput, ImageFilesAreReadWholeUpToTheirLimit)
{
    const std::string big = ScratchPath("big.png");
    const auto warning = [](const std::string& path, const std::string& reason) {
        return "delve: cannot load texture '" + path + "': " + reason + "; drawing with a plain white 16x16 texture\n";
    };
    const off_t limit = off_t{16} * 1024 * 1024;
    std::ofstream(big).put('x');
    ASSERT_EQ(truncate(big.c_str(), limit), 0);
    const Loaded l = LoadCaught(big);
    EXPECT_EQ(l.err.rfind("delve: cannot load texture '" + big + "': not a readable image (", 0), 0u) << l.err;
    ASSERT_EQ(truncate(big.c_str(), limit + 1), 0);
    EXPECT_EQ(LoadCaught(big).err, warning(big, "the file is larger than the 16 MiB an image may be"));
    std::remove(big.c_str());
    EXPECT_EQ(LoadCaught("").err, warning("", "no file name given"));
    EXPECT_EQ(LoadCaught("/dev/null").err, warning("/dev/null", "it is not a regular file"));
    const std::string folder = testing::TempDir();
    EXPECT_EQ(LoadCaught(folder.c_str()).err, warning(folder, "it is a directory"));
}

TEST_F(PlatformInput, EachMouseButtonHoldsItsOwnNumber)
{
    const struct {
        Uint8 sdl;
        int button;
    } buttons[] = {
        {SDL_BUTTON_LEFT, 0}, {SDL_BUTTON_RIGHT, 1}, {SDL_BUTTON_MIDDLE, 2}, {SDL_BUTTON_X1, 3}, {SDL_BUTTON_X2, 4}};
    for (const auto& b : buttons) {
        for (bool down : {true, false}) {
            SDL_Event e{};
            e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
            e.button.clicks = 1;
            e.button.button = b.sdl;
            SDL_PushEvent(&e);
            PollInputEvents();
            for (int other = 0; other < 8; ++other)
                EXPECT_EQ(IsMouseButtonDown(other), down && other == b.button) << "SDL button " << int{b.sdl};
        }
    }
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
