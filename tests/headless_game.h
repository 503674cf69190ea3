// The headless harness as a GoogleTest fixture: a whole game under SDL's dummy
// video driver, started before each test and shut down after it, driven by
// pushed SDL events.
#pragma once

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <string>

#include "harness/headless.h"
#include "harness/input_events.h"

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

// The last presented frame as RGB pixels.
struct Screenshot {
    SDL_Surface* surface = nullptr;
    explicit Screenshot(const std::string& name)
    {
        std::string path = testing::TempDir() + name;
        EXPECT_TRUE(TakeScreenshot(path.c_str()));
        SDL_Surface* loaded = IMG_Load(path.c_str());
        EXPECT_NE(loaded, nullptr) << IMG_GetError();
        if (loaded) {
            surface = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
            SDL_FreeSurface(loaded);
        }
    }
    ~Screenshot() { SDL_FreeSurface(surface); }
    Color At(int x, int y) const
    {
        if (!surface || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return Color{0, 0, 0, 0};
        const uint8_t* p = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch + x * 4;
        return Color{p[0], p[1], p[2], p[3]};
    }
};

inline bool SameRgb(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
inline std::string Rgb(Color c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}
