// The software fill's fast way (quads drawn into the frame as they come,
// tints taken from tinted copies, rows and texture coordinates kept from the
// quad before) must give exactly the picture of the plain way (every quad
// worked out afresh, every pixel tinted afresh).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "backends/memory/memory_backend.h"
#include "entities/entity.h"
#include "headless_game.h"
#include "presentation/render.h"
#include "render/frame.h"
#include "support/render_probe.h"

namespace {

// The frame's pixels once `draw` has run over a grey background, drawn the fast way or the plain way.
std::vector<uint32_t> FrameOf(bool fast, const std::function<void()>& draw)
{
    SetDirectFill(fast);
    BeginDrawing();
    ClearBackground(Color{80, 80, 80, 255});
    draw();
    EndDrawing();
    std::vector<uint32_t> pixels(render::FramePixels(), render::FramePixels() + 640 * 480);
    EXPECT_TRUE(pixels == MemoryShownFrame()) << "the frame shown is the frame drawn";
    SetDirectFill(true);
    return pixels;
}

// Where the two frames first differ, for the failure message.
std::string FirstDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); i++)
        if (a[i] != b[i]) {
            char text[96];
            std::snprintf(text, sizeof text, "pixel (%zu, %zu): fast %08x, plain %08x", i % 640, i / 640, a[i], b[i]);
            return text;
        }
    return "none";
}

void ExpectSameBothWays(const std::function<void()>& draw)
{
    const std::vector<uint32_t> fast = FrameOf(true, draw), plain = FrameOf(false, draw);
    EXPECT_TRUE(fast == plain) << FirstDifference(fast, plain);
}

struct FillTest : HeadlessGame {
    // A small pseudo-random sequence, the same on every run.
    uint32_t seed = 2024;
    uint32_t Next(uint32_t n)
    {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    }
};

// Grids of tile-like quads at many sizes and fractional offsets, in more
// tints than the tinted copies have room for, some of them translucent, from
// the tile image and from a translucent texture; mirrored, turned-away,
// off-window and broken quads among them.
TEST_F(FillTest, QuadsComeOutTheSameEitherWay)
{
    const Texture2D tiles = game.textures[0];
    ASSERT_NE(tiles.id, 0u);
    for (int side : {1, 2, 3, 5, 16, 17, 40}) {
        for (float offset : {0.0f, 0.25f, 0.5f, 0.731f, -3.4f}) {
            SCOPED_TRACE(testing::Message() << "side " << side << " offset " << offset);
            const uint32_t start = seed;
            auto draw = [&] {
                seed = start;  // both ways draw the very same quads
                const float s = static_cast<float>(side);
                const int across = std::min(256, 640 / side + 2), down = std::min(200, 480 / side + 2);
                for (int row = 0; row < down; row++) {
                    for (int col = 0; col < across; col++) {
                        const uint8_t grey = static_cast<uint8_t>(Next(200));
                        const uint8_t alpha = Next(10) == 0 ? static_cast<uint8_t>(Next(256)) : 255;
                        const Color tint{static_cast<uint8_t>(grey * 1.2), grey, static_cast<uint8_t>(Next(256)),
                                         alpha};
                        DrawTexturePro(tiles, Rectangle{0, 0, 16, 16},
                                       Rectangle{col * s - offset, row * s + offset * 0.5f, s, s}, Vector2{0, 0}, 0.0f,
                                       tint);
                    }
                }
                const Rectangle odd[] = {
                    {0, 0, -16, 16}, {0, 0, 16, -16}, {4, 4, 8, 8}, {0, 0, 32, 32}, {-8, 0, 16, 16},
                };
                for (const Rectangle& source : odd) {
                    const float x = static_cast<float>(Next(600)) + offset, y = static_cast<float>(Next(440));
                    DrawTexturePro(tiles, source, Rectangle{x, y, 3.5f * s, 2.25f * s}, Vector2{0, 0}, 0.0f,
                                   Color{200, 180, 160, 255});
                    DrawTexturePro(tiles, source, Rectangle{x, y, -2.0f * s, -2.0f * s}, Vector2{1.5f, 2.5f}, 0.0f,
                                   Color{90, 200, 60, 255});  // half round
                    DrawTexturePro(tiles, source, Rectangle{x, y, -s, s}, Vector2{0, 0}, 0.0f,
                                   Color{1, 2, 3, 255});  // away
                }
                for (float wild : {-1e30f, 1e30f, NAN, INFINITY, -20.0f, 650.0f})
                    DrawTexturePro(tiles, Rectangle{0, 0, 16, 16}, Rectangle{wild, 10, s, s}, Vector2{0, 0}, 0.0f,
                                   Color{255, 255, 255, 255});
            };
            ExpectSameBothWays(draw);
        }
    }
}

// Whole frames of the game's tiles at every small zoom and some larger ones,
// from cameras at fractions of a pixel: the rows of small tiles against the
// tiles drawn one by one, each worked out afresh. The light is put back
// between the two drawings, so both draw the same world.
TEST_F(FillTest, TheGamesFramesComeOutTheSameEitherWay)
{
    for (int zoom : {1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 23}) {
        WORLDSCALE = zoom;
        SettleCameraOnPlayer();
        Frames(20);  // light spreads
        for (Vector2 nudge : {Vector2{0.0f, 0.0f}, Vector2{0.37f, -0.61f}, Vector2{-5.5f, 13.25f}, Vector2{0.5f, 0.5f},
                              Vector2{37.71f, -0.999f}}) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << " nudge " << nudge.x << ", " << nudge.y);
            game.CameraPosition = Vector2Add(game.CameraPosition, nudge);
            std::vector<uint8_t> light;
            for (Chunk* c : game.world)
                for (auto& column : c->wd)
                    for (Tile& t : column) light.push_back(t.lightness);
            auto draw = [&] {
                size_t i = 0;
                for (Chunk* c : game.world)
                    for (auto& column : c->wd)
                        for (Tile& t : column) t.lightness = light[i++];
                drawChunks(&game);
            };
            ExpectSameBothWays(draw);
        }
    }
}

}  // namespace
