// The shipped demos play what they are shipped for. zoomed-out.dem times the
// game zoomed out (make bench, the browser test): it must stay zoomed out for
// most of its frames, and walk, dig and fall far enough to shift the window,
// so that its timedemo measures the frames a player zoomed out really sees.
// Along the way, the tiles of the frames both demos show come out the same
// whether small tiles are drawn a row at a time or one by one.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "entities/entity.h"
#include "headless_game.h"
#include "presentation/render.h"
#include "render/frame.h"
#include "shell/demo.h"
#include "shell/digest.h"
#include "shell/options.h"
#include "support/render_probe.h"

namespace {

struct ShippedDemoTest : HeadlessGame {
    // The frame's pixels with the tiles drawn over the last frame, the fast
    // way or the plain way; the light is as it was before.
    std::vector<uint32_t> Tiles(bool fast)
    {
        std::vector<uint8_t> light;
        for (Chunk* c : game.world)
            for (auto& column : c->wd)
                for (Tile& t : column) light.push_back(t.lightness);
        SetDirectFill(fast);
        drawChunks(&game);
        SetDirectFill(true);
        size_t i = 0;
        for (Chunk* c : game.world)
            for (auto& column : c->wd)
                for (Tile& t : column) t.lightness = light[i++];
        const uint32_t* frame = render::FramePixels();
        return std::vector<uint32_t>(frame, frame + 640 * 480);
    }
    // Between frames, the tiles drawn both ways give the same pixels.
    void ExpectTilesSameBothWays(int frame)
    {
        const std::vector<uint32_t> fast = Tiles(true), plain = Tiles(false);
        EXPECT_TRUE(fast == plain) << "frame " << frame << ", zoom " << WORLDSCALE;
    }
};

TEST_F(ShippedDemoTest, TheDescentDemosTilesComeOutTheSameBothWays)
{
    Options options;
    options.play = std::string(DELVE_DEMOS_DIR) + "/descent.dem";
    Demo demo;
    std::string error;
    ASSERT_TRUE(OpenDemo(&demo, options, &error)) << error;
    BeginDemo(&demo);
    testing::internal::CaptureStdout();
    for (int frame = 1; DemoBeforeFrame(&demo, &game, &loop); frame++) {
        RunFrame(&game, &loop);
        DemoAfterFrame(&demo, &game, &loop);
        if (frame % 15 == 0) ExpectTilesSameBothWays(frame);
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(FinishDemo(&demo, &game, &loop), 0);
}

TEST_F(ShippedDemoTest, TheZoomedOutDemoWalksDigsAndFallsThroughAShiftAtZoomOneToFour)
{
    const std::string base = std::string(DELVE_DEMOS_DIR) + "/zoomed-out";
    Options options;
    options.play = base + ".dem";
    Demo demo;
    std::string error;
    ASSERT_TRUE(OpenDemo(&demo, options, &error)) << error;
    BeginDemo(&demo);

    const int startLowest = game.LowestChunk;
    int frames = 0, counted = 0, zoomedOut = 0, digging = 0, zoomMin = WORLDSCALE, zoomMax = 0;
    float leftmost = 1e9f, rightmost = -1e9f, deepest = 0.0f;
    testing::internal::CaptureStdout();
    while (DemoBeforeFrame(&demo, &game, &loop)) {
        RunFrame(&game, &loop);
        DemoAfterFrame(&demo, &game, &loop);
        frames++;
        if (frames % 40 == 0) ExpectTilesSameBothWays(frames);
        if (counted == 0 && WORLDSCALE > 4) continue;  // zooming out from the start's 16
        counted++;
        zoomedOut += WORLDSCALE <= 4;
        zoomMin = std::min(zoomMin, WORLDSCALE), zoomMax = std::max(zoomMax, WORLDSCALE);
        digging += IsMouseButtonDown(MOUSE_BUTTON_RIGHT);
        leftmost = std::min(leftmost, game.player->pos.x), rightmost = std::max(rightmost, game.player->pos.x);
        deepest = std::min(deepest, game.player->pos.y);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(FinishDemo(&demo, &game, &loop), 0);

    std::string state;
    std::ifstream(base + ".state") >> state;
    char digest[20];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(StateDigest(&game, &loop)));
    EXPECT_EQ(digest, state) << "the game plays the recorded session to its recorded end";
    std::ifstream recorded(base + ".out", std::ios::binary);
    EXPECT_EQ(out, std::string(std::istreambuf_iterator<char>(recorded), std::istreambuf_iterator<char>()));

    EXPECT_GE(frames, 300);
    EXPECT_GE(counted, frames * 3 / 4) << "the zoom reached 4 early";
    EXPECT_GE(zoomedOut, counted * 9 / 10) << "zoom 4 or less for nearly all of the rest";
    EXPECT_EQ(zoomMin, 1);
    EXPECT_EQ(zoomMax, 4);
    EXPECT_GE(digging, 60) << "frames with the right button held";
    EXPECT_GT(rightmost - leftmost, 2.0f) << "walked";
    EXPECT_GE(game.LowestChunk, startLowest + 8) << "the window shifted while falling";
    EXPECT_LT(deepest, -1608.0f - 100.0f) << "fell a hundred tiles and more";
}

}  // namespace
