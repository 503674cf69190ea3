// The renderer's tests share this: a fresh window on the memory backend per
// test, frames drawn over a known background, pixels read back from
// screenshots, and textures loaded with their warnings caught.
#pragma once

#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/render_probe.h"

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

// A PNG file's pixels, 4 bytes each; empty when it cannot be read.
inline std::vector<unsigned char> ReadPng(const std::string& path, int* width, int* height)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    int channels = 0;
    unsigned char* p =
        png.empty() ? nullptr
                    : stbi_load_from_memory(png.data(), static_cast<int>(png.size()), width, height, &channels, 4);
    std::vector<unsigned char> rgba;
    if (p) rgba.assign(p, p + 4 * static_cast<size_t>(*width) * static_cast<size_t>(*height));
    stbi_image_free(p);
    return rgba;
}

// Checks pixels of what the window shows now, read back from a screenshot.
inline void ExpectScreen(const std::vector<Px>& want)
{
    const std::string path = ScratchPath("screen.png");
    ASSERT_TRUE(TakeScreenshot(path.c_str()));
    int w = 0, h = 0;
    const std::vector<unsigned char> s = ReadPng(path, &w, &h);
    std::remove(path.c_str());
    ASSERT_TRUE(!s.empty() && w == 640 && h == 480) << "no whole screenshot";
    for (const Px& p : want) {
        const unsigned char* q = &s[4 * (static_cast<size_t>(p.y) * 640 + static_cast<size_t>(p.x))];
        EXPECT_EQ((Rgb{q[0], q[1], q[2]}), p.rgb) << "at " << p.x << ", " << p.y;
    }
}

// Draws one frame over the background; returns the quads and triangles it drew.
template <typename F>
uint64_t Frame(F draw)
{
    BeginDrawing();
    ClearBackground(BACKGROUND);
    const uint64_t before = GetDrawnShapeCount();
    draw();
    EndDrawing();
    return GetDrawnShapeCount() - before;
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
    const Rgb quarters[] = {RED, GREEN, BLUE, YELLOW};
    std::vector<unsigned char> rgb;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            for (int c : quarters[(x / 8) + 2 * (y / 8)]) rgb.push_back(static_cast<unsigned char>(c));
    std::vector<unsigned char> png;
    const auto append = [](void* to, void* data, int size) {
        auto* bytes = static_cast<std::vector<unsigned char>*>(to);
        bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    };
    ASSERT_NE(stbi_write_png_to_func(append, &png, 16, 16, 3, rgb.data(), 16 * 3), 0);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

inline void Quad(Texture2D t, float x, float y, float size, Color tint)
{
    DrawTexturePro(t, Rectangle{0, 0, 16, 16}, Rectangle{x, y, size, size}, Vector2{0, 0}, 0.0f, tint);
}

// Each test gets a fresh 640x480 window on the memory backend, unpaced.
class Platform : public testing::Test {
protected:
    void SetUp() override
    {
        SetTargetFPS(0);
        ASSERT_TRUE(InitWindow(640, 480, "platform test"));
    }
    void TearDown() override { CloseWindow(); }
};
