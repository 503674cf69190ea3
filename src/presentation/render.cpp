#include "presentation/render.h"

#include <array>
#include <bit>

#include "presentation/camera.h"
#include "presentation/light.h"
#include "shell/state.h"
#include "world/world.h"

namespace {

// A hair below 1/255, so full light gives 99 and 199 rather than 100 and 200.
constexpr double BRIGHTNESS_FACTOR = std::bit_cast<float>(0x3B808080u);
constexpr int FADE_PER_FRAME = 5;
constexpr Rectangle TILE_SPRITE{0.0f, 0.0f, 16.0f, 16.0f};

uint8_t Fade(uint8_t lightness) { return lightness > FADE_PER_FRAME ? lightness - FADE_PER_FRAME : 0; }

constexpr Color ComputeTint(uint8_t lightness, uint8_t v)
{
    uint8_t m = static_cast<uint8_t>((v + 1) * 100);
    uint8_t col = static_cast<uint8_t>(static_cast<double>(lightness * m) * BRIGHTNESS_FACTOR);
    uint8_t r = static_cast<uint8_t>(col * 1.2);
    return Color{r, col, col, 255};
}

// Every tint an empty or solid tile can have, worked out once: a frame
// zoomed out draws a hundred thousand tiles. Kept as whole words, so that a
// tint is read and handed on in one piece rather than byte by byte.
constexpr std::array<std::array<uint32_t, 256>, 2> TINTS = [] {
    std::array<std::array<uint32_t, 256>, 2> t{};
    for (int v = 0; v < 2; v++)
        for (int l = 0; l < 256; l++)
            t[v][l] = std::bit_cast<uint32_t>(ComputeTint(static_cast<uint8_t>(l), static_cast<uint8_t>(v)));
    return t;
}();

}  // namespace

Color TileTint(uint8_t lightness, uint8_t v)
{
    return std::bit_cast<Color>(v < 2 ? TINTS[v][lightness] : std::bit_cast<uint32_t>(ComputeTint(lightness, v)));
}

// A function of its own, not folded into the frame: a browser optimises
// small functions within the first frames, a whole frame's worth only after
// a short demo is over.
[[gnu::noinline]] void drawChunksCulled(GameInstance* game, bool cull)
{
    lightChunks(game);

    float side = static_cast<float>(WORLDSCALE);
    float windowHeight = static_cast<float>(game->WindowHeight);
    // A column's left edge is the same in every row: worked out once a frame.
    float lefts[WORLD_COLUMNS];
    for (int x = 0; x < WORLD_COLUMNS; x++) lefts[x] = TileScreenLeft(game, x);
    const Texture2D tiles = game->textures[0];
    for (int slot = 0; slot < RESIDENT_CHUNKS; slot++) {
        Chunk* c = game->world[slot];
        VisibleRange r = VisibleRangeOf(game, c->depth, 0, 1);
        for (int y = r.rowBegin; y < r.rowEnd; y++) {
            // Visible columns always overlap the window across; a row overlaps it
            // unless it lies wholly below or above.
            float top = TileScreenTop(game, c->depth, y);
            bool offWindow = cull && (top >= windowHeight || top + side <= 0.0f);
            if (!offWindow) {
                for (int x = r.colBegin; x < r.colEnd; x++) {
                    const Tile& t = c->wd[x][y];
                    DrawTexturePro(tiles, TILE_SPRITE, Rectangle{lefts[x], top, side, side}, Vector2{0.0f, 0.0f}, 0.0f,
                                   TileTint(t.lightness, t.v));
                }
            }
            // Each tile fades once drawn, so the row is drawn first and then faded.
            for (int x = r.colBegin; x < r.colEnd; x++) c->wd[x][y].lightness = Fade(c->wd[x][y].lightness);
        }
    }
}

void drawChunks(GameInstance* game) { drawChunksCulled(game, true); }
