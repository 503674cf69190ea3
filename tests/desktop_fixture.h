// What the desktop window tests share: the window's own pixels and size read
// from its surface on SDL's dummy driver, a frame of marks to look for, the
// cursor after a move, and a fixture that opens and closes the window.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "backends/sdl/sdl_backend.h"
#include "harness/input_events.h"
#include "platform/keycodes.h"
#include "platform/platform.h"

namespace desktop {

namespace fs = std::filesystem;
using namespace input_events;
using Rgb = std::array<int, 3>;

inline constexpr Color GREY{80, 80, 80, 255};
inline constexpr Color RED{255, 0, 0, 255};
inline constexpr Color GREEN{0, 255, 0, 255};
inline constexpr Rgb BG_RGB{80, 80, 80}, RED_RGB{255, 0, 0}, GREEN_RGB{0, 255, 0}, BLACK{0, 0, 0};

// What the window shows at a window pixel.
inline Rgb WindowAt(int x, int y)
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

inline std::array<int, 2> WindowSize()
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
inline Png ReadPng(const fs::path& path)
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
inline void DrawMarks()
{
    BeginDrawing();
    ClearBackground(GREY);
    DrawRectangle(5, 7, 1, 1, RED);
    DrawRectangle(638, 478, 2, 2, GREEN);
    EndDrawing();
}

// Expects the marks of DrawMarks at scale k with the frame's corner at (x0, y0).
inline void ExpectMarks(int x0, int y0, int k)
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

inline Vector2 MouseAfterMove(int x, int y)
{
    PushMouseMove(x, y);
    PollInputEvents();
    return GetMousePosition();
}

inline void ExpectMouse(Vector2 got, float x, float y)
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

// No game key is held.
inline bool NoKeyDown()
{
    for (int k = 1; k < KEY_CODE_COUNT; ++k)
        if (IsKeyDown(k) || IsKeyPressed(k)) return false;
    return true;
}

}  // namespace desktop
