// The headless harness as a GoogleTest fixture: a whole game with no window to
// see, started before each test and shut down after it. Tests on the desktop
// backend drive it with pushed SDL events (harness/input_events.h).
#pragma once

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness/headless.h"

struct HeadlessGame : testing::Test {
    HeadlessRun run;
    GameInstance& game = run.game;
    FrameLoop& loop = run.loop;

    void SetUp() override { ASSERT_TRUE(StartHeadless(&run)); }
    void TearDown() override { StopHeadless(&run); }

    // Runs n frames; returns what they wrote to standard output.
    std::string Frames(int n)
    {
        testing::internal::CaptureStdout();
        RunFrames(&run, n);
        return testing::internal::GetCapturedStdout();
    }
    // Pushes events and lets the layer take them in, as the end of a frame does.
    static void Poll() { PollInputEvents(); }
    // Puts the camera where it rests on the player, so the view needs no glide.
    void SettleCameraOnPlayer() { ::SettleCameraOnPlayer(&game); }
};

// The last presented frame as RGB pixels, read back from a screenshot.
struct Screenshot {
    std::vector<unsigned char> rgba;  // 4 bytes a pixel, row by row; empty when none could be read
    int width = 0, height = 0;
    explicit Screenshot(const std::string& name)
    {
        std::string path = testing::TempDir() + name;
        EXPECT_TRUE(TakeScreenshot(path.c_str()));
        std::ifstream in(path, std::ios::binary);
        const std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        int channels = 0;
        unsigned char* pixels = png.empty() ? nullptr
                                            : stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width,
                                                                    &height, &channels, 4);
        EXPECT_NE(pixels, nullptr) << "the screenshot cannot be read back";
        if (pixels) rgba.assign(pixels, pixels + 4 * static_cast<size_t>(width) * static_cast<size_t>(height));
        stbi_image_free(pixels);
    }
    Color At(int x, int y) const
    {
        if (rgba.empty() || x < 0 || y < 0 || x >= width || y >= height) return Color{0, 0, 0, 0};
        const uint8_t* p = &rgba[4 * (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x))];
        return Color{p[0], p[1], p[2], p[3]};
    }
};

inline bool SameRgb(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
inline std::string Rgb(Color c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}
