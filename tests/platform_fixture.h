// The graphics and input layer's tests share this: a fresh headless window per
// test, frames drawn over a known background, pixels read back from
// screenshots, and textures loaded with their warnings caught.
#pragma once

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"

constexpr Color BACKGROUND{80, 80, 80, 255};
constexpr Color WHITE{255, 255, 255, 255};

using Rgb = std::array<int, 3>;
inline Rgb RgbOf(Color c) { return Rgb{c.r, c.g, c.b}; }
inline const Rgb BG = RgbOf(BACKGROUND), RED{255, 0, 0}, GREEN{0, 255, 0}, BLUE{0, 0, 255}, YELLOW{255, 255, 0};

// A path in the test scratch folder that no other test process uses.
inline std::string ScratchPath(const std::string& name)
{
    return testing::TempDir() + "delve_platform_" + std::to_string(getpid()) + "_" + name;
}

struct Px {
    int x, y;
    Rgb rgb;
};

// Checks pixels of what the window shows now, read back from a screenshot.
inline void ExpectScreen(const std::vector<Px>& want)
{
    const std::string path = ScratchPath("screen.png");
    ASSERT_TRUE(TakeScreenshot(path.c_str()));
    SDL_Surface* png = IMG_Load(path.c_str());
    std::remove(path.c_str());
    SDL_Surface* s = png ? SDL_ConvertSurfaceFormat(png, SDL_PIXELFORMAT_RGBA32, 0) : nullptr;
    SDL_FreeSurface(png);
    ASSERT_TRUE(s && s->w == 640 && s->h == 480) << "no whole screenshot";
    for (const Px& w : want) {
        const auto* p = static_cast<const unsigned char*>(s->pixels) + w.y * s->pitch + w.x * 4;
        EXPECT_EQ((Rgb{p[0], p[1], p[2]}), w.rgb) << "at " << w.x << ", " << w.y;
    }
    SDL_FreeSurface(s);
}

// Draws one frame over the background; returns the geometry submissions it made.
template <typename F>
uint64_t Frame(F draw)
{
    BeginDrawing();
    ClearBackground(BACKGROUND);
    const uint64_t before = GetDrawSubmissionCount();
    draw();
    EndDrawing();
    return GetDrawSubmissionCount() - before;
}

// A texture loaded with both output streams caught.
struct Loaded {
    Texture2D texture;
    std::string out, err;
};
inline Loaded LoadCaught(const std::string& path)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Loaded l{LoadTexture(path.c_str()), "", ""};
    l.err = testing::internal::GetCapturedStderr();
    l.out = testing::internal::GetCapturedStdout();
    return l;
}

// The white stand-in for a file that cannot be found, its warning kept off the test log.
inline Texture2D WhiteTexture() { return LoadCaught("no/such/dir/white.png").texture; }

// Writes a 16x16 PNG in four 8x8 quarters: red, green above blue, yellow.
inline void WriteQuartersPng(const std::string& path)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_NE(s, nullptr);
    const Rgb quarters[] = {RED, GREEN, BLUE, YELLOW};
    for (int q = 0; q < 4; ++q) {
        const SDL_Rect r{8 * (q % 2), 8 * (q / 2), 8, 8};
        SDL_FillRect(s, &r, SDL_MapRGB(s->format, quarters[q][0], quarters[q][1], quarters[q][2]));
    }
    EXPECT_EQ(IMG_SavePNG(s, path.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(s);
}

inline void Quad(Texture2D t, float x, float y, float size, Color tint)
{
    DrawTexturePro(t, Rectangle{0, 0, 16, 16}, Rectangle{x, y, size, size}, Vector2{0, 0}, 0.0f, tint);
}

// Each test gets a fresh 640x480 window on the headless driver, unpaced.
class Platform : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        SetTargetFPS(0);
        ASSERT_TRUE(InitWindow(640, 480, "platform test"));
    }
    void TearDown() override { CloseWindow(); }
};
