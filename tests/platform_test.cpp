// The graphics and input layer, run headless on SDL's dummy video driver and
// software renderer. Input goes through real SDL events; pictures are read
// back from screenshots.

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "input_events.h"
#include "platform/platform.h"

namespace {

using namespace input_events;

constexpr Color kBackground{80, 80, 80, 255};
constexpr Color kWhite{255, 255, 255, 255};
constexpr Rectangle kSprite{0, 0, 16, 16};

// A unique path in the test scratch folder.
std::string ScratchPath(const std::string& name) {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    return testing::TempDir() + "delve_" + info->test_suite_name() + "_" + info->name() + "_" +
           std::to_string(getpid()) + "_" + name;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb RgbOf(Color c) { return Rgb{c.r, c.g, c.b}; }

// A screenshot decoded back into pixels.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
    Rgb At(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * width + x) * 4;
        return Rgb{rgba[i], rgba[i + 1], rgba[i + 2]};
    }
};

Picture Decode(const std::string& path) {
    Picture p;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) return p;
    SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (!s) return p;
    p.width = s->w;
    p.height = s->h;
    p.rgba.resize(static_cast<size_t>(s->w) * s->h * 4);
    for (int y = 0; y < s->h; ++y)
        std::memcpy(&p.rgba[static_cast<size_t>(y) * s->w * 4], static_cast<unsigned char*>(s->pixels) + y * s->pitch,
                    static_cast<size_t>(s->w) * 4);
    SDL_FreeSurface(s);
    return p;
}

// What the window shows right now.
Picture Screen() {
    const std::string path = ScratchPath("screen.png");
    EXPECT_TRUE(TakeScreenshot(path.c_str()));
    Picture p = Decode(path);
    std::remove(path.c_str());
    return p;
}

// Writes a PNG whose pixels come from colorAt(x, y).
template <typename F>
void WritePng(const std::string& path, int w, int h, F colorAt) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_NE(s, nullptr);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Color c = colorAt(x, y);
            unsigned char* p = static_cast<unsigned char*>(s->pixels) + y * s->pitch + x * 4;
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = c.a;
        }
    ASSERT_EQ(IMG_SavePNG(s, path.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(s);
}

// Loads a texture that cannot be found: the white stand-in, without its warning on the test log.
Texture2D WhiteTexture() {
    testing::internal::CaptureStderr();
    const Texture2D t = LoadTexture("no/such/dir/white.png");
    testing::internal::GetCapturedStderr();
    return t;
}

void Quad(Texture2D t, float x, float y, float size, Color tint) {
    DrawTexturePro(t, kSprite, Rectangle{x, y, size, size}, Vector2{0, 0}, 0.0f, tint);
}

// Each test gets a fresh 640x480 window on the headless driver, unpaced.
class Platform : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        SetTargetFPS(0);
        ASSERT_TRUE(InitWindow(640, 480, "platform test"));
    }
    void TearDown() override { CloseWindow(); }
};

// ---- Keyboard ---------------------------------------------------------------

using PlatformKeys = Platform;

TEST_F(PlatformKeys, DownAndPressedFollowThePolls) {
    PushKey(KEY_D, true);
    EXPECT_FALSE(IsKeyDown(KEY_D)) << "nothing is seen before a poll";
    PollInputEvents();
    EXPECT_TRUE(IsKeyDown(KEY_D));
    EXPECT_TRUE(IsKeyPressed(KEY_D));
    EXPECT_FALSE(IsKeyDown(KEY_A));

    PollInputEvents();
    EXPECT_TRUE(IsKeyDown(KEY_D)) << "held keys stay down";
    EXPECT_FALSE(IsKeyPressed(KEY_D)) << "a press is reported by one poll only";

    PushKey(KEY_D, false);
    PollInputEvents();
    EXPECT_FALSE(IsKeyDown(KEY_D));
    EXPECT_FALSE(IsKeyPressed(KEY_D));

    PushKey(KEY_D, true);
    PollInputEvents();
    EXPECT_TRUE(IsKeyPressed(KEY_D)) << "pressing again is a new press";
}

TEST_F(PlatformKeys, FrameSeesWhatTheEndOfThePreviousFramePolled) {
    BeginDrawing();
    PushKey(KEY_W, true);
    EXPECT_FALSE(IsKeyDown(KEY_W));
    EndDrawing();
    EXPECT_TRUE(IsKeyDown(KEY_W));
    EXPECT_TRUE(IsKeyPressed(KEY_W));
    BeginDrawing();
    EndDrawing();
    EXPECT_TRUE(IsKeyDown(KEY_W));
    EXPECT_FALSE(IsKeyPressed(KEY_W));
}

TEST_F(PlatformKeys, TapBetweenTwoPollsIsAPressButNotHeld) {
    PushKey(KEY_KP_ADD, true);
    PushKey(KEY_KP_ADD, false);
    PollInputEvents();
    EXPECT_TRUE(IsKeyPressed(KEY_KP_ADD));
    EXPECT_FALSE(IsKeyDown(KEY_KP_ADD));
    PollInputEvents();
    EXPECT_FALSE(IsKeyPressed(KEY_KP_ADD));
}

TEST_F(PlatformKeys, AutoRepeatIsNotANewPress) {
    PushKey(KEY_KP_SUBTRACT, true);
    PollInputEvents();
    PushKeyScancode(SDL_SCANCODE_KP_MINUS, true, /*repeat=*/true);
    PushKeyScancode(SDL_SCANCODE_KP_MINUS, true, /*repeat=*/true);
    PollInputEvents();
    EXPECT_TRUE(IsKeyDown(KEY_KP_SUBTRACT));
    EXPECT_FALSE(IsKeyPressed(KEY_KP_SUBTRACT));
}

TEST_F(PlatformKeys, EachGameKeyComesFromItsOwnPhysicalKey) {
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
    EXPECT_FALSE(IsKeyDown(KEY_KP_SUBTRACT));
    EXPECT_FALSE(IsKeyDown(KEY_KP_ADD));
}

// A key event whose scancode field holds any number at all.
void PushRawScancode(int32_t value) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    std::memcpy(&e.key.keysym.scancode, &value, sizeof value);
    SDL_PushEvent(&e);
}

TEST_F(PlatformKeys, UnknownScancodesAndKeyCodesAreIgnored) {
    PushKeyScancode(SDL_SCANCODE_UNKNOWN, true);
    for (int32_t raw : {int32_t{SDL_NUM_SCANCODES}, int32_t{SDL_NUM_SCANCODES + 7}, int32_t{-3}, INT32_MIN, INT32_MAX})
        PushRawScancode(raw);
    PollInputEvents();
    for (int key : {KEY_A, KEY_D, KEY_S, KEY_V, KEY_W, KEY_KP_SUBTRACT, KEY_KP_ADD, KEY_ESCAPE})
        EXPECT_FALSE(IsKeyDown(key));
    EXPECT_FALSE(WindowShouldClose());
    for (int key : {-1, 0, 512, 100000, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(IsKeyDown(key));
        EXPECT_FALSE(IsKeyPressed(key));
    }
}

TEST_F(PlatformKeys, LosingFocusReleasesHeldKeysAndButtons) {
    PushKey(KEY_A, true);
    PushMouseButton(MOUSE_BUTTON_LEFT, true);
    PollInputEvents();
    ASSERT_TRUE(IsKeyDown(KEY_A));
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
    PollInputEvents();
    EXPECT_FALSE(IsKeyDown(KEY_A));
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
}

// ---- Closing ------------------------------------------------------------------

using PlatformClose = Platform;

TEST_F(PlatformClose, OpenWindowIsNotClosing) {
    PollInputEvents();
    EXPECT_FALSE(WindowShouldClose());
    PushKey(KEY_A, true);
    PollInputEvents();
    EXPECT_FALSE(WindowShouldClose());
}

TEST_F(PlatformClose, EscapePressAsksToClose) {
    PushKey(KEY_ESCAPE, true);
    EXPECT_FALSE(WindowShouldClose());
    PollInputEvents();
    EXPECT_TRUE(WindowShouldClose());
    PushKey(KEY_ESCAPE, false);
    PollInputEvents();
    EXPECT_TRUE(WindowShouldClose()) << "a close request is not withdrawn";
}

TEST_F(PlatformClose, QuitEventAsksToClose) {
    PushQuit();
    BeginDrawing();
    EndDrawing();
    EXPECT_TRUE(WindowShouldClose());
}

TEST_F(PlatformClose, WindowCloseButtonAsksToClose) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    PollInputEvents();
    EXPECT_TRUE(WindowShouldClose());
}

// ---- Mouse --------------------------------------------------------------------

using PlatformMouse = Platform;

// Under a real display the pointer's own events come first; the pushed ones follow.
TEST_F(PlatformMouse, CursorFollowsTheLastMoveOfThePoll) {
    PollInputEvents();
    const Vector2 start = GetMousePosition();
    PushMouseMove(10, 20);
    PushMouseMove(321, 123);
    EXPECT_EQ(GetMousePosition().x, start.x) << "nothing is seen before a poll";
    EXPECT_EQ(GetMousePosition().y, start.y) << "nothing is seen before a poll";
    PollInputEvents();
    EXPECT_EQ(GetMousePosition().x, 321.0f);
    EXPECT_EQ(GetMousePosition().y, 123.0f);
    // Positions outside the window are passed on as they are.
    PushMouseMove(-5, 700);
    PollInputEvents();
    EXPECT_EQ(GetMousePosition().x, -5.0f);
    EXPECT_EQ(GetMousePosition().y, 700.0f);
}

TEST_F(PlatformMouse, ButtonsAreHeldUntilReleased) {
    PollInputEvents();
    PushMouseMove(50, 60);
    PushMouseButton(MOUSE_BUTTON_LEFT, true);
    PollInputEvents();
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    EXPECT_EQ(GetMousePosition().x, 50.0f);

    PushMouseButton(MOUSE_BUTTON_RIGHT, true);
    PollInputEvents();
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));

    PushMouseButton(MOUSE_BUTTON_LEFT, false);
    PushMouseButton(2, true);  // the middle button is neither
    PollInputEvents();
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));

    for (int button : {-1, 8, 1000}) EXPECT_FALSE(IsMouseButtonDown(button));
}

// ---- Pictures -----------------------------------------------------------------

using PlatformDraw = Platform;

TEST_F(PlatformDraw, ScreenshotHoldsThePresentedFrameOrTheFrameSoFar) {
    BeginDrawing();
    ClearBackground(Color{10, 20, 30, 255});
    EndDrawing();
    Picture p = Screen();
    ASSERT_EQ(p.width, 640);
    ASSERT_EQ(p.height, 480);
    EXPECT_EQ(p.At(0, 0), (Rgb{10, 20, 30}));
    EXPECT_EQ(p.At(639, 479), (Rgb{10, 20, 30}));

    // Mid-frame it shows what has been drawn so far, batched quads included.
    const Texture2D white = WhiteTexture();
    BeginDrawing();
    ClearBackground(kBackground);
    Quad(white, 100, 100, 16, Color{1, 2, 3, 255});
    p = Screen();
    EXPECT_EQ(p.At(0, 0), RgbOf(kBackground));
    EXPECT_EQ(p.At(105, 105), (Rgb{1, 2, 3}));
    EndDrawing();
    EXPECT_EQ(Screen().At(105, 105), (Rgb{1, 2, 3}));
}

TEST_F(PlatformDraw, ScreenshotToAnUnwritablePlaceFailsWithAWarning) {
    BeginDrawing();
    ClearBackground(kBackground);
    EndDrawing();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(TakeScreenshot("/nonexistent-dir/shot.png"));
    EXPECT_FALSE(TakeScreenshot(nullptr));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("delve: cannot save screenshot '/nonexistent-dir/shot.png'"), std::string::npos) << err;
}

// The tile tints: a white texel times the tint must come out exactly as the tint.
TEST_F(PlatformDraw, TintedQuadsComeOutExact) {
    const Color tints[] = {{0, 0, 0, 255},     {7, 6, 6, 255},       {46, 39, 39, 255},    {93, 78, 78, 255},
                           {115, 96, 96, 255}, {230, 192, 192, 255}, {118, 99, 99, 255},   {238, 199, 199, 255},
                           {1, 254, 128, 255}, {255, 255, 255, 255}, {254, 255, 253, 255}};
    const Texture2D white = WhiteTexture();
    ASSERT_NE(white.id, 0u);
    BeginDrawing();
    ClearBackground(kBackground);
    for (size_t i = 0; i < std::size(tints); ++i) {
        Quad(white, 16.0f * static_cast<float>(i), 0, 16, tints[i]);  // zoom 16
        Quad(white, static_cast<float>(i), 100, 1, tints[i]);          // zoom 1
        Quad(white, 7.0f * static_cast<float>(i), 200, 7, tints[i]);   // a size that scales the sprite
    }
    EndDrawing();
    const Picture p = Screen();
    for (size_t i = 0; i < std::size(tints); ++i) {
        const int x = static_cast<int>(i);
        EXPECT_EQ(p.At(16 * x, 0), RgbOf(tints[i])) << "16x16 quad " << i;
        EXPECT_EQ(p.At(16 * x + 15, 15), RgbOf(tints[i])) << "16x16 quad " << i;
        EXPECT_EQ(p.At(x, 100), RgbOf(tints[i])) << "1x1 quad " << i;
        EXPECT_EQ(p.At(7 * x + 3, 203), RgbOf(tints[i])) << "7x7 quad " << i;
    }
    EXPECT_EQ(p.At(16 * static_cast<int>(std::size(tints)), 0), RgbOf(kBackground));
    EXPECT_EQ(p.At(0, 16), RgbOf(kBackground));
    EXPECT_EQ(p.At(0, 101), RgbOf(kBackground));
}

TEST_F(PlatformDraw, SourceRectangleFlipAndRotationPlaceTheTexels) {
    // Left half red, right half blue, top-right quarter's top row green.
    const std::string path = ScratchPath("halves.png");
    WritePng(path, 32, 32, [](int x, int y) {
        if (x >= 16 && y == 0) return Color{0, 255, 0, 255};
        return x < 16 ? Color{255, 0, 0, 255} : Color{0, 0, 255, 255};
    });
    const Texture2D t = LoadTexture(path.c_str());
    std::remove(path.c_str());
    ASSERT_EQ(t.width, 32);
    ASSERT_EQ(t.height, 32);

    auto drawUpright = [&] {
    // The right quarter, doubled.
    DrawTexturePro(t, Rectangle{16, 0, 16, 16}, Rectangle{0, 0, 32, 32}, Vector2{0, 0}, 0.0f, kWhite);
    // The whole texture mirrored left to right: blue now on the left.
    DrawTexturePro(t, Rectangle{0, 0, -32, 32}, Rectangle{100, 0, 32, 32}, Vector2{0, 0}, 0.0f, kWhite);
    // The green row mirrored top to bottom: it lands at the bottom.
    DrawTexturePro(t, Rectangle{16, 0, 16, -16}, Rectangle{200, 0, 16, 16}, Vector2{0, 0}, 0.0f, kWhite);
    // Moved up-left by its origin.
    DrawTexturePro(t, Rectangle{0, 0, 16, 16}, Rectangle{310, 10, 16, 16}, Vector2{10, 10}, 0.0f, kWhite);
    };
    BeginDrawing();
    ClearBackground(kBackground);
    drawUpright();
    EndDrawing();
    const Picture upright = Screen();

    // The same with a turned quad in the batch: turned a quarter clockwise
    // about its top-left corner, it hangs down-left of (400, 100).
    BeginDrawing();
    ClearBackground(kBackground);
    drawUpright();
    DrawTexturePro(t, Rectangle{0, 0, 16, 16}, Rectangle{400, 100, 20, 10}, Vector2{0, 0}, 90.0f, kWhite);
    EndDrawing();
    const Picture p = Screen();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 350; ++x) ASSERT_EQ(p.At(x, y), upright.At(x, y)) << x << ", " << y;

    const Rgb red{255, 0, 0}, blue{0, 0, 255}, green{0, 255, 0}, bg = RgbOf(kBackground);
    EXPECT_EQ(p.At(0, 0), green);
    EXPECT_EQ(p.At(31, 1), green) << "one texel row covers two pixel rows";
    EXPECT_EQ(p.At(0, 2), blue);
    EXPECT_EQ(p.At(31, 31), blue);
    EXPECT_EQ(p.At(32, 31), bg);

    EXPECT_EQ(p.At(101, 16), blue);
    EXPECT_EQ(p.At(130, 16), red);

    EXPECT_EQ(p.At(205, 15), green);
    EXPECT_EQ(p.At(205, 0), blue);

    EXPECT_EQ(p.At(300, 0), red);
    EXPECT_EQ(p.At(315, 15), red);
    EXPECT_EQ(p.At(316, 16), bg);

    EXPECT_EQ(p.At(395, 110), red);
    EXPECT_EQ(p.At(391, 118), red);
    EXPECT_EQ(p.At(405, 105), bg);
    EXPECT_EQ(p.At(395, 95), bg);
}

// A pixel belongs to a quad when its centre is inside; left and top edges count.
TEST_F(PlatformDraw, QuadEdgesBetweenPixelsFollowThePixelCentres) {
    const Texture2D white = WhiteTexture();
    BeginDrawing();
    ClearBackground(kBackground);
    Quad(white, 10.4f, 10.4f, 16, Color{1, 1, 1, 255});
    Quad(white, 40.6f, 10.6f, 16, Color{2, 2, 2, 255});
    Quad(white, 100.5f, 50.5f, 1, Color{3, 3, 3, 255});
    Quad(white, 120.6f, 50.6f, 0.5f, Color{4, 4, 4, 255});  // covers no pixel centre
    EndDrawing();
    const Picture p = Screen();
    const Rgb bg = RgbOf(kBackground);
    EXPECT_EQ(p.At(10, 10), (Rgb{1, 1, 1}));
    EXPECT_EQ(p.At(25, 25), (Rgb{1, 1, 1}));
    EXPECT_EQ(p.At(9, 10), bg);
    EXPECT_EQ(p.At(26, 10), bg);
    EXPECT_EQ(p.At(10, 26), bg);
    EXPECT_EQ(p.At(41, 11), (Rgb{2, 2, 2}));
    EXPECT_EQ(p.At(56, 26), (Rgb{2, 2, 2}));
    EXPECT_EQ(p.At(40, 11), bg);
    EXPECT_EQ(p.At(41, 10), bg);
    EXPECT_EQ(p.At(57, 11), bg);
    EXPECT_EQ(p.At(100, 50), (Rgb{3, 3, 3}));
    EXPECT_EQ(p.At(101, 50), bg);
    EXPECT_EQ(p.At(100, 51), bg);
    EXPECT_EQ(p.At(120, 50), bg);
    EXPECT_EQ(p.At(121, 51), bg);
}

// As with triangles, only a quad whose corners run counter-clockwise on the
// screen shows: a negative width or height turns it away.
TEST_F(PlatformDraw, QuadTurnedAwayIsNotDrawn) {
    const Texture2D white = WhiteTexture();
    BeginDrawing();
    ClearBackground(kBackground);
    const uint64_t before = GetDrawSubmissionCount();
    DrawTexturePro(white, kSprite, Rectangle{50, 50, -16, 16}, Vector2{0, 0}, 0.0f, Color{1, 1, 1, 255});
    DrawTexturePro(white, kSprite, Rectangle{100, 50, 16, -16}, Vector2{0, 0}, 0.0f, Color{2, 2, 2, 255});
    DrawTexturePro(white, kSprite, Rectangle{150, 50, 0, 16}, Vector2{0, 0}, 0.0f, Color{3, 3, 3, 255});
    EndDrawing();
    EXPECT_EQ(GetDrawSubmissionCount(), before);
    // Both negative is the quad turned half round: it faces the screen again.
    BeginDrawing();
    DrawTexturePro(white, kSprite, Rectangle{200, 50, -16, -16}, Vector2{0, 0}, 0.0f, Color{4, 4, 4, 255});
    EndDrawing();
    const Picture p = Screen();
    const Rgb bg = RgbOf(kBackground);
    EXPECT_EQ(p.At(42, 54), bg);
    EXPECT_EQ(p.At(104, 42), bg);
    EXPECT_EQ(p.At(192, 42), (Rgb{4, 4, 4}));
    EXPECT_EQ(p.At(200, 50), bg);
}

TEST_F(PlatformDraw, RectangleFillsWholePixelsAndClipsAnySize) {
    BeginDrawing();
    ClearBackground(kBackground);
    DrawRectangle(10, 20, 30, 40, Color{130, 130, 130, 255});
    DrawRectangle(600, 470, 1000, 1000, Color{1, 2, 3, 255});  // runs off the bottom-right
    DrawRectangle(100, 100, -20, 10, Color{255, 0, 0, 255});    // nothing: no width
    DrawRectangle(200, 100, 10, 0, Color{255, 0, 0, 255});      // nothing: no height
    DrawRectangle(INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX, Color{255, 0, 0, 255});
    DrawRectangle(INT_MIN, INT_MIN, 5, 5, Color{255, 0, 0, 255});
    EndDrawing();
    Picture p = Screen();
    const Rgb grey{130, 130, 130}, bg = RgbOf(kBackground);
    EXPECT_EQ(p.At(10, 20), grey);
    EXPECT_EQ(p.At(39, 59), grey);
    EXPECT_EQ(p.At(40, 20), bg);
    EXPECT_EQ(p.At(9, 20), bg);
    EXPECT_EQ(p.At(10, 60), bg);
    EXPECT_EQ(p.At(10, 19), bg);
    EXPECT_EQ(p.At(639, 479), (Rgb{1, 2, 3}));
    EXPECT_EQ(p.At(599, 479), bg);
    EXPECT_EQ(p.At(90, 105), bg);
    EXPECT_EQ(p.At(105, 105), bg);
    EXPECT_EQ(p.At(205, 100), bg);
    EXPECT_EQ(p.At(0, 0), bg);

    BeginDrawing();
    DrawRectangle(INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX, Color{4, 5, 6, 255});  // covers everything
    EndDrawing();
    p = Screen();
    EXPECT_EQ(p.At(0, 0), (Rgb{4, 5, 6}));
    EXPECT_EQ(p.At(639, 479), (Rgb{4, 5, 6}));
}

// The game's spinning triangle at its first frame, t = 0.1.
TEST_F(PlatformDraw, TriangleIsFilledWhenCounterClockwiseOnScreen) {
    const float t = 0.1f;
    const Vector2 a{10 + 10 * std::cos(t), 10 + 10 * std::sin(t)};
    const Vector2 b{10 + 10 * std::cos(t - 1), 10 + 10 * std::sin(t - 1)};
    const Vector2 c{10 + 10 * std::cos(t - 3), 10 + 10 * std::sin(t - 3)};
    const Rgb bg = RgbOf(kBackground);

    BeginDrawing();
    ClearBackground(kBackground);
    DrawTriangle(a, b, c, kWhite);
    // The same triangle moved right, in clockwise order: not filled.
    DrawTriangle(Vector2{a.x + 100, a.y}, Vector2{c.x + 100, c.y}, Vector2{b.x + 100, b.y}, kWhite);
    // Corners that are not numbers, or far out of reach, draw nothing and do no harm.
    DrawTriangle(Vector2{NAN, 0}, Vector2{0, 100}, Vector2{100, 100}, kWhite);
    DrawTriangle(Vector2{-1e30f, 0}, Vector2{0, 1e30f}, Vector2{1e30f, 0}, kWhite);
    EndDrawing();
    const Picture p = Screen();
    const int cx = static_cast<int>((a.x + b.x + c.x) / 3);
    const int cy = static_cast<int>((a.y + b.y + c.y) / 3);
    EXPECT_EQ(p.At(cx, cy), (Rgb{255, 255, 255}));
    EXPECT_EQ(p.At(16, 5), (Rgb{255, 255, 255})) << "near the second corner";
    EXPECT_EQ(p.At(10, 18), bg) << "below the chord from the first to the third corner";
    EXPECT_EQ(p.At(cx + 100, cy), bg);
    EXPECT_EQ(p.At(50, 90), bg);
}

TEST_F(PlatformDraw, LaterDrawsCoverEarlierOnesAcrossBatches) {
    const Texture2D white = WhiteTexture();
    BeginDrawing();
    ClearBackground(kBackground);
    Quad(white, 0, 0, 32, Color{255, 0, 0, 255});
    DrawRectangle(16, 0, 32, 32, Color{0, 255, 0, 255});
    Quad(white, 40, 0, 32, Color{0, 0, 255, 255});
    EndDrawing();
    const Picture p = Screen();
    EXPECT_EQ(p.At(8, 8), (Rgb{255, 0, 0}));
    EXPECT_EQ(p.At(20, 8), (Rgb{0, 255, 0}));
    EXPECT_EQ(p.At(44, 8), (Rgb{0, 0, 255}));
}

TEST_F(PlatformDraw, HalfTransparentTintBlendsOverTheBackground) {
    const Texture2D white = WhiteTexture();
    BeginDrawing();
    ClearBackground(Color{0, 0, 0, 255});
    Quad(white, 0, 0, 16, Color{255, 255, 255, 128});
    DrawRectangle(20, 0, 16, 16, Color{255, 255, 255, 0});
    EndDrawing();
    const Picture p = Screen();
    EXPECT_NEAR(p.At(8, 8).r, 128, 1);
    EXPECT_EQ(p.At(28, 8), (Rgb{0, 0, 0}));
}

// ---- Batching -----------------------------------------------------------------

using PlatformBatch = Platform;

TEST_F(PlatformBatch, QuadsOfOneTextureInARowAreOneSubmission) {
    const Texture2D white = WhiteTexture();
    BeginDrawing();
    ClearBackground(kBackground);
    const uint64_t before = GetDrawSubmissionCount();
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 256; ++x) Quad(white, static_cast<float>(x), static_cast<float>(y), 1, kWhite);
    EndDrawing();
    EXPECT_EQ(GetDrawSubmissionCount() - before, 1u);
    EXPECT_EQ(Screen().At(255, 59), (Rgb{255, 255, 255}));

    // The next frame reuses the same buffers and again makes one submission.
    BeginDrawing();
    const uint64_t second = GetDrawSubmissionCount();
    for (int i = 0; i < 5000; ++i) Quad(white, static_cast<float>(i % 640), static_cast<float>(i / 640), 1, kWhite);
    EndDrawing();
    EXPECT_EQ(GetDrawSubmissionCount() - second, 1u);
}

TEST_F(PlatformBatch, MoreQuadsThanABatchHoldsAreSplitAndAllDrawn) {
    const Texture2D white = WhiteTexture();
    constexpr int kQuads = 20000;  // beyond what one batch holds
    BeginDrawing();
    ClearBackground(kBackground);
    const uint64_t before = GetDrawSubmissionCount();
    for (int i = 0; i < kQuads; ++i)
        Quad(white, static_cast<float>(i % 640), static_cast<float>(i / 640), 1, Color{7, 7, 7, 255});
    EndDrawing();
    EXPECT_EQ(GetDrawSubmissionCount() - before, 2u);
    const Picture p = Screen();
    EXPECT_EQ(p.At(0, 0), (Rgb{7, 7, 7}));
    EXPECT_EQ(p.At((kQuads - 1) % 640, (kQuads - 1) / 640), (Rgb{7, 7, 7}));
    EXPECT_EQ(p.At(kQuads % 640, kQuads / 640), RgbOf(kBackground));
}

TEST_F(PlatformBatch, AnotherTextureOrAnotherKindOfDrawStartsANewSubmission) {
    const Texture2D a = WhiteTexture();
    const Texture2D b = WhiteTexture();
    ASSERT_NE(a.id, b.id);
    BeginDrawing();
    uint64_t before = GetDrawSubmissionCount();
    Quad(a, 0, 0, 16, kWhite);
    Quad(a, 16, 0, 16, kWhite);
    Quad(b, 32, 0, 16, kWhite);
    Quad(a, 48, 0, 16, kWhite);
    EndDrawing();
    EXPECT_EQ(GetDrawSubmissionCount() - before, 3u);

    BeginDrawing();
    before = GetDrawSubmissionCount();
    Quad(a, 0, 0, 16, kWhite);
    DrawRectangle(0, 20, 5, 5, kWhite);
    Quad(a, 16, 0, 16, kWhite);
    EndDrawing();
    EXPECT_EQ(GetDrawSubmissionCount() - before, 2u);
}

TEST_F(PlatformBatch, QuadsOutsideTheWindowOrBrokenAreNotSubmitted) {
    const Texture2D white = WhiteTexture();
    BeginDrawing();
    const uint64_t before = GetDrawSubmissionCount();
    Quad(white, 0, 480, 16, kWhite);    // just below
    Quad(white, -16, 0, 16, kWhite);    // just left
    Quad(white, 640, 100, 16, kWhite);  // just right
    Quad(white, NAN, 0, 16, kWhite);
    Quad(white, 0, 0, INFINITY, kWhite);
    Quad(white, -1e30f, -1e30f, 2e30f, kWhite);
    Quad(Texture2D{0, 16, 16}, 0, 0, 16, kWhite);          // no texture
    Quad(Texture2D{white.id + 1000, 16, 16}, 0, 0, 16, kWhite);  // never loaded
    EndDrawing();
    EXPECT_EQ(GetDrawSubmissionCount(), before);

    // Quads that reach into the window by a single pixel are kept.
    BeginDrawing();
    ClearBackground(kBackground);
    Quad(white, 639, 479, 1, Color{1, 1, 1, 255});
    Quad(white, -15, -15, 16, Color{2, 2, 2, 255});
    Quad(white, 639, -15, 16, Color{3, 3, 3, 255});
    Quad(white, -15, 479, 16, Color{4, 4, 4, 255});
    EndDrawing();
    const Picture p = Screen();
    EXPECT_EQ(p.At(639, 479), (Rgb{1, 1, 1}));
    EXPECT_EQ(p.At(0, 0), (Rgb{2, 2, 2}));
    EXPECT_EQ(p.At(639, 0), (Rgb{3, 3, 3}));
    EXPECT_EQ(p.At(0, 479), (Rgb{4, 4, 4}));
    EXPECT_EQ(p.At(1, 1), RgbOf(kBackground));
}

TEST_F(PlatformBatch, UnloadingATextureStillDrawsWhatWasQueuedWithIt) {
    const Texture2D white = WhiteTexture();
    BeginDrawing();
    ClearBackground(kBackground);
    Quad(white, 0, 0, 16, Color{9, 8, 7, 255});
    UnloadTexture(white);
    Quad(white, 20, 0, 16, Color{9, 8, 7, 255});  // gone now: nothing
    EndDrawing();
    const Picture p = Screen();
    EXPECT_EQ(p.At(8, 8), (Rgb{9, 8, 7}));
    EXPECT_EQ(p.At(28, 8), RgbOf(kBackground));
    UnloadTexture(white);  // twice: harmless
    UnloadTexture(Texture2D{0, 0, 0});
    UnloadTexture(Texture2D{123456, 16, 16});
}

// ---- Text -----------------------------------------------------------------------

using PlatformText = Platform;

bool HasDarkPixel(const Picture& p, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (p.At(x, y).r < 40) return true;
    return false;
}

TEST_F(PlatformText, CaptionIsDrawnInItsPlaceTheSameEveryFrame) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    std::vector<unsigned char> first;
    for (int frame = 0; frame < 3; ++frame) {
        BeginDrawing();
        ClearBackground(kBackground);
        DrawText("hello delve", 50, 50, 30, Color{0, 0, 0, 255});
        EndDrawing();
        const Picture p = Screen();
        if (frame == 0) first = p.rgba;
        EXPECT_EQ(p.rgba, first) << "frame " << frame;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const std::string err = testing::internal::GetCapturedStderr();
    if (err.find("no TrueType font") != std::string::npos) GTEST_SKIP() << "no font on this machine";
    EXPECT_EQ(err, "");
    const Picture p = Screen();
    EXPECT_TRUE(HasDarkPixel(p, 50, 50, 250, 90));
    EXPECT_FALSE(HasDarkPixel(p, 0, 0, 640, 48));
    EXPECT_FALSE(HasDarkPixel(p, 0, 100, 640, 480));
    EXPECT_FALSE(HasDarkPixel(p, 0, 0, 49, 480));

    // The same words in another colour, or at another size, are their own picture.
    BeginDrawing();
    ClearBackground(kBackground);
    DrawText("hello delve", 50, 50, 30, Color{0, 0, 0, 255});
    DrawText("hello delve", 50, 150, 30, Color{255, 0, 0, 255});
    DrawText("hello delve", 50, 250, 15, Color{0, 0, 0, 255});
    EndDrawing();
    const Picture again = Screen();
    bool red = false;
    for (int y = 150; y < 200; ++y)
        for (int x = 50; x < 250; ++x)
            if (again.At(x, y) == Rgb{255, 0, 0}) red = true;
    EXPECT_TRUE(red);
    EXPECT_FALSE(HasDarkPixel(again, 50, 150, 250, 200));
    int inkRows = 0, inkRight = 0;
    for (int y = 250; y < 300; ++y)
        for (int x = 50; x < 250; ++x)
            if (again.At(x, y) != RgbOf(kBackground)) {
                inkRows = y - 250 + 1;
                inkRight = std::max(inkRight, x);
            }
    EXPECT_GT(inkRows, 5);
    EXPECT_LT(inkRows, 20) << "drawn at the smaller size";
    EXPECT_LT(inkRight, 150) << "drawn at the smaller size";
}

TEST_F(PlatformText, ManyDifferentTextsDoNotChangeHowACaptionLooks) {
    BeginDrawing();
    ClearBackground(kBackground);
    DrawText("hello delve", 50, 50, 30, Color{0, 0, 0, 255});
    EndDrawing();
    const Picture before = Screen();
    // Far more distinct texts than any cache keeps, then the caption again.
    for (int i = 0; i < 300; ++i) {
        BeginDrawing();
        DrawText(("line " + std::to_string(i)).c_str(), 0, 200, 10 + i % 40, Color{0, 0, 0, 255});
        EndDrawing();
    }
    BeginDrawing();
    ClearBackground(kBackground);
    DrawText("hello delve", 50, 50, 30, Color{0, 0, 0, 255});
    DrawText("", 50, 150, 30, Color{0, 0, 0, 255});
    DrawText(nullptr, 50, 150, 30, Color{0, 0, 0, 255});
    DrawText("far away", INT_MAX, INT_MIN, 30, Color{0, 0, 0, 255});
    EndDrawing();
    EXPECT_EQ(Screen().rgba, before.rgba);
}

// ---- Textures -------------------------------------------------------------------

using PlatformTexture = Platform;

// Loads path and checks for one warning naming it, nothing on standard
// output, and a 16x16 white stand-in that tints exactly.
void ExpectWhiteStandIn(const std::string& path) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const Texture2D t = LoadTexture(path.c_str());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    const std::string prefix = "delve: cannot load texture '" + path + "': ";
    EXPECT_EQ(err.rfind(prefix, 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_GT(err.size(), prefix.size() + 1) << "the warning gives a reason";
    EXPECT_NE(t.id, 0u);
    EXPECT_EQ(t.width, 16);
    EXPECT_EQ(t.height, 16);

    BeginDrawing();
    ClearBackground(kBackground);
    Quad(t, 0, 0, 16, Color{118, 99, 99, 255});
    EndDrawing();
    EXPECT_EQ(Screen().At(15, 15), (Rgb{118, 99, 99}));
    UnloadTexture(t);
}

TEST_F(PlatformTexture, UnusableFilesGiveOneWarningAndAWhiteStandIn) {
    const std::string good = ScratchPath("good.png");
    WritePng(good, 16, 16, [](int x, int y) { return Color{static_cast<unsigned char>(x * 16), 0,
                                                          static_cast<unsigned char>(y * 16), 255}; });
    const std::string png = ReadBytes(good);
    ASSERT_GT(png.size(), 60u);

    const std::string missing = ScratchPath("missing.png");
    const std::string empty = ScratchPath("empty.png");
    const std::string garbage = ScratchPath("garbage.png");
    const std::string truncated = ScratchPath("truncated.png");
    const std::string folder = ScratchPath("folder.png");
    WriteBytes(empty, "");
    WriteBytes(garbage, "this is not an image at all, just some words in a file\n");
    WriteBytes(truncated, png.substr(0, png.size() / 2));
    mkdir(folder.c_str(), 0700);

    for (const std::string& path : {missing, empty, garbage, truncated, folder}) {
        SCOPED_TRACE(path);
        ExpectWhiteStandIn(path);
    }
    for (const std::string& path : {good, empty, garbage, truncated}) std::remove(path.c_str());
    rmdir(folder.c_str());
}

TEST_F(PlatformTexture, GoodImageLoadsQuietlyWithItsOwnSize) {
    const std::string path = ScratchPath("wide.png");
    WritePng(path, 48, 8, [](int, int) { return Color{10, 200, 30, 255}; });
    testing::internal::CaptureStderr();
    const Texture2D t = LoadTexture(path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::remove(path.c_str());
    EXPECT_NE(t.id, 0u);
    EXPECT_EQ(t.width, 48);
    EXPECT_EQ(t.height, 8);
    BeginDrawing();
    ClearBackground(kBackground);
    DrawTexturePro(t, Rectangle{0, 0, 48, 8}, Rectangle{0, 0, 48, 8}, Vector2{0, 0}, 0.0f, kWhite);
    EndDrawing();
    EXPECT_EQ(Screen().At(47, 7), (Rgb{10, 200, 30}));
}

TEST_F(PlatformTexture, LoadingWithoutAWindowWarnsAndGivesNoTexture) {
    CloseWindow();
    testing::internal::CaptureStderr();
    const Texture2D t = LoadTexture("resources/tiles.png");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(t.id, 0u);
    EXPECT_EQ(err.rfind("delve: cannot load texture 'resources/tiles.png': ", 0), 0u) << err;
    UnloadTexture(t);
}

// ---- Window lifecycle -----------------------------------------------------------

// Sets an environment variable for one scope and puts the old value back.
struct ScopedEnv {
    std::string name;
    bool had;
    std::string old;
    ScopedEnv(const char* n, const char* value) : name(n), had(std::getenv(n) != nullptr) {
        if (had) old = std::getenv(n);
        setenv(n, value, 1);
    }
    ~ScopedEnv() {
        if (had)
            setenv(name.c_str(), old.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

TEST(PlatformLifecycle, NoDisplayMeansFalseAMessageAndHarmlessCalls) {
    ScopedEnv driver("SDL_VIDEODRIVER", "no-such-video-driver");
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(InitWindow(640, 480, "hello window"));
    EXPECT_FALSE(IsWindowReady());
    EXPECT_TRUE(WindowShouldClose());
    SetTargetFPS(30);
    BeginDrawing();
    ClearBackground(kBackground);
    DrawRectangle(0, 0, 10, 10, kWhite);
    DrawTriangle(Vector2{0, 0}, Vector2{0, 10}, Vector2{10, 0}, kWhite);
    DrawText("hello delve", 50, 50, 30, kWhite);
    Quad(Texture2D{1, 16, 16}, 0, 0, 16, kWhite);
    EndDrawing();
    PollInputEvents();
    EXPECT_FALSE(IsKeyDown(KEY_A));
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    EXPECT_FALSE(TakeScreenshot(ScratchPath("none.png").c_str()));
    EXPECT_EQ(GetDrawSubmissionCount(), 0u);
    CloseWindow();
    SetTargetFPS(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("delve: cannot open a window: ", 0), 0u) << err;
    EXPECT_GT(err.find('\n'), std::string("delve: cannot open a window: ").size()) << "a reason is given";
}

TEST(PlatformLifecycle, NonsenseSizeIsRefused) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(InitWindow(0, 480, "hello window"));
    EXPECT_FALSE(InitWindow(640, -1, "hello window"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("delve: cannot open a window: ", 0), 0u) << err;
    EXPECT_FALSE(IsWindowReady());
}

TEST(PlatformLifecycle, EachWindowStartsFresh) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SetTargetFPS(0);
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(InitWindow(640, 480, "hello window"));
        EXPECT_TRUE(IsWindowReady());
        EXPECT_FALSE(WindowShouldClose());
        EXPECT_EQ(GetDrawSubmissionCount(), 0u);
        EXPECT_FALSE(IsKeyDown(KEY_D));
        EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
        EXPECT_EQ(GetMousePosition().x, 0.0f);
        EXPECT_EQ(GetMousePosition().y, 0.0f);

        const Texture2D t = WhiteTexture();
        PushKey(KEY_D, true);
        PushMouseMove(30, 40);
        PushMouseButton(MOUSE_BUTTON_LEFT, true);
        PushQuit();
        BeginDrawing();
        Quad(t, 0, 0, 16, kWhite);
        DrawText("hello delve", 50, 50, 30, Color{0, 0, 0, 255});
        EndDrawing();
        EXPECT_TRUE(IsKeyDown(KEY_D));
        EXPECT_TRUE(WindowShouldClose());
        EXPECT_GT(GetDrawSubmissionCount(), 0u);
        // The texture is left loaded on purpose: closing the window releases it.
        CloseWindow();
        EXPECT_FALSE(IsWindowReady());
        EXPECT_TRUE(WindowShouldClose());
        CloseWindow();  // twice: harmless
    }
}

TEST(PlatformLifecycle, OpeningAgainWhileOpenKeepsTheWindow) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_TRUE(InitWindow(640, 480, "hello window"));
    const Texture2D t = WhiteTexture();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(InitWindow(320, 240, "again"));
    testing::internal::GetCapturedStderr();
    BeginDrawing();
    ClearBackground(kBackground);
    Quad(t, 600, 400, 16, Color{5, 5, 5, 255});
    EndDrawing();
    const Picture p = Screen();
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.At(610, 410), (Rgb{5, 5, 5})) << "the texture loaded before is still there";
    CloseWindow();
}

// ---- Files ------------------------------------------------------------------------

TEST(PlatformFiles, FileExistsOnlyForRegularFiles) {
    const std::string file = testing::TempDir() + "delve_exists_" + std::to_string(getpid());
    WriteBytes(file, "x");
    EXPECT_TRUE(FileExists(file.c_str()));
    std::remove(file.c_str());
    EXPECT_FALSE(FileExists(file.c_str()));
    EXPECT_FALSE(FileExists(testing::TempDir().c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST(PlatformFiles, ApplicationDirectoryIsTheExecutablesFolder) {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    std::string expected(exe, static_cast<size_t>(n));
    expected.erase(expected.rfind('/') + 1);
    EXPECT_EQ(std::string(GetApplicationDirectory()), expected);
    EXPECT_EQ(GetApplicationDirectory(), GetApplicationDirectory()) << "kept, not rebuilt on each call";
}

}  // namespace
