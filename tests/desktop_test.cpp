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

namespace {

namespace fs = std::filesystem;
using namespace input_events;
using Rgb = std::array<int, 3>;

constexpr Color GREY{80, 80, 80, 255};
constexpr Color RED{255, 0, 0, 255};
constexpr Color GREEN{0, 255, 0, 255};
constexpr Rgb BG_RGB{80, 80, 80}, RED_RGB{255, 0, 0}, GREEN_RGB{0, 255, 0}, BLACK{0, 0, 0};

// What the window shows at a window pixel.
Rgb WindowAt(int x, int y)
{
    SDL_Surface* s = SDL_GetWindowSurface(gSdl.window);
    EXPECT_TRUE(s && x >= 0 && y >= 0 && x < s->w && y < s->h) << x << ", " << y;
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return Rgb{-1, -1, -1};
    const Uint32 p = *reinterpret_cast<const Uint32*>(static_cast<const unsigned char*>(s->pixels) + y * s->pitch +
                                                      x * s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(p, s->format, &r, &g, &b);
    return Rgb{r, g, b};
}

std::array<int, 2> WindowSize()
{
    std::array<int, 2> size{};
    SDL_GetWindowSize(gSdl.window, &size[0], &size[1]);
    return size;
}

// A PNG file's size and pixels, 4 bytes each; no pixels when it cannot be read.
struct Png {
    int w = 0, h = 0;
    std::vector<unsigned char> rgba;
};
Png ReadPng(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Png png;
    int channels = 0;
    unsigned char* p = bytes.empty() ? nullptr
                                     : stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &png.w,
                                                             &png.h, &channels, 4);
    if (p) png.rgba.assign(p, p + 4 * static_cast<size_t>(png.w) * static_cast<size_t>(png.h));
    stbi_image_free(p);
    return png;
}

// One frame: grey, a red frame pixel at (5, 7) and a green 2x2 square at the
// frame's bottom-right corner.
void DrawMarks()
{
    BeginDrawing();
    ClearBackground(GREY);
    DrawRectangle(5, 7, 1, 1, RED);
    DrawRectangle(638, 478, 2, 2, GREEN);
    EndDrawing();
}

// Expects the marks of DrawMarks at scale k with the frame's corner at (x0, y0).
void ExpectMarks(int x0, int y0, int k)
{
    for (int dy = 0; dy < k; ++dy)
        for (int dx = 0; dx < k; ++dx) EXPECT_EQ(WindowAt(x0 + 5 * k + dx, y0 + 7 * k + dy), RED_RGB);
    EXPECT_EQ(WindowAt(x0 + 5 * k - 1, y0 + 7 * k), BG_RGB);
    EXPECT_EQ(WindowAt(x0 + 6 * k, y0 + 7 * k), BG_RGB);
    EXPECT_EQ(WindowAt(x0 + 5 * k, y0 + 8 * k), BG_RGB);
    EXPECT_EQ(WindowAt(x0, y0), BG_RGB);
    EXPECT_EQ(WindowAt(x0 + 638 * k, y0 + 478 * k), GREEN_RGB);
    EXPECT_EQ(WindowAt(x0 + 640 * k - 1, y0 + 480 * k - 1), GREEN_RGB);
    EXPECT_EQ(WindowAt(x0 + 638 * k - 1, y0 + 478 * k), BG_RGB);
}

Vector2 MouseAfterMove(int x, int y)
{
    PushMouseMove(x, y);
    PollInputEvents();
    return GetMousePosition();
}

void ExpectMouse(Vector2 got, float x, float y)
{
    EXPECT_EQ(got.x, x);
    EXPECT_EQ(got.y, y);
}

class Desktop : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        SetTargetFPS(0);
    }
    void TearDown() override
    {
        CloseWindow();
        SetWindowScale(1);
        SetConfigFlags(0);
    }
    void Open(int scale)
    {
        SetWindowScale(scale);
        ASSERT_TRUE(InitWindow(640, 480, "desktop test"));
    }
};

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

// No game key is held.
bool NoKeyDown()
{
    for (int k = 1; k < KEY_CODE_COUNT; ++k)
        if (IsKeyDown(k) || IsKeyPressed(k)) return false;
    return true;
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

// The working folder for a test, and back to the old one afterwards.
struct InFolder {
    fs::path old = fs::current_path();
    fs::path folder;
    InFolder()
    {
        std::string pattern = testing::TempDir() + "delve_shots_XXXXXX";
        EXPECT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        fs::current_path(folder);
    }
    ~InFolder()
    {
        fs::current_path(old);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

// Presses F12 and runs frames until the next one has been presented; returns
// what went to standard error meanwhile, and checks nothing went to standard output.
std::string PressF12()
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    PushKeyScancode(SDL_SCANCODE_F12, true);
    PushKeyScancode(SDL_SCANCODE_F12, true, true);  // a held key's repeats take no more
    DrawMarks();
    const bool key = !NoKeyDown();
    PushKeyScancode(SDL_SCANCODE_F12, false);
    DrawMarks();
    DrawMarks();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(key) << "F12 reached the game as a key";
    return err;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(Desktop, F12SavesTheFrameAtFrameSizeUnderTheFirstFreeNumberAndNeverOverwrites)
{
    Open(2);
    InFolder here;
    std::ofstream(here.folder / "screenshot000.png") << "someone else's";
    std::ofstream(here.folder / "screenshot002.png") << "and another";
    EXPECT_EQ(PressF12(), "delve: screenshot saved as screenshot001.png\n");
    EXPECT_EQ(PressF12(), "delve: screenshot saved as screenshot003.png\n");
    EXPECT_EQ(ReadFile(here.folder / "screenshot000.png"), "someone else's");
    EXPECT_EQ(ReadFile(here.folder / "screenshot002.png"), "and another");
    const Png shot = ReadPng(here.folder / "screenshot003.png");
    ASSERT_FALSE(shot.rgba.empty());
    EXPECT_TRUE(shot.w == 640 && shot.h == 480) << "the frame, not the 1280x960 window";
    const unsigned char* p = &shot.rgba[(7 * 640 + 5) * 4];
    EXPECT_EQ((Rgb{p[0], p[1], p[2]}), RED_RGB);
    EXPECT_FALSE(fs::exists(here.folder / "screenshot004.png"));
}

TEST_F(Desktop, F12WhereNothingCanBeWrittenSaysWhyAndTheGameGoesOn)
{
    Open(1);
    InFolder here;
    // A working folder that is gone: nothing can be created in it, even by root.
    fs::remove(here.folder);
    const std::string err = PressF12();
    EXPECT_EQ(err,
              std::string("delve: cannot save a screenshot as screenshot000.png: ") + std::strerror(ENOENT) + "\n");
    EXPECT_TRUE(IsWindowReady() && !WindowShouldClose());
    DrawMarks();
    ExpectMarks(0, 0, 1);
    if (geteuid() != 0) {  // a folder without write permission stops anyone else
        fs::create_directory(here.folder);
        fs::current_path(here.folder);
        fs::permissions(here.folder, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(PressF12(),
                  std::string("delve: cannot save a screenshot as screenshot000.png: ") + std::strerror(EACCES) + "\n");
        fs::permissions(here.folder, fs::perms::owner_all);
    }
}

}  // namespace
