#include "presentation/light.h"

#include "entities/entity.h"
#include "presentation/camera.h"
#include "shell/state.h"
#include "world/world.h"

namespace {

constexpr int LIGHT_START_OFFSET = 10;  // rows, widening the scan below the surface chunk
constexpr int LIGHT_TOP_MARGIN = 10;    // tiles scanned above the window's top edge
constexpr int PASSES_LIGHT_ABOVE = 15;  // dimmer tiles pass nothing on

// Raises the 8 neighbours of the tile at (x, y) in `slot` that are darker than
// it less their loss. Neighbours above slot 0 and below slot 63 are not
// resident and are skipped.
void SpreadFrom(GameInstance* game, int slot, int x, int y, int lightness)
{
    for (int i = 0; i < 3; i++) {
        uint8_t xv = static_cast<uint8_t>(x + i - 1);  // wraps around the world's width
        for (int j = 0; j < 3; j++) {
            int yv = y + j - 1;
            int chunkoff = 0;
            if (yv > CHUNK_ROWS - 1 && slot > 0) {
                yv = 0;
                chunkoff = -1;
            } else if (yv < 0 && slot <= RESIDENT_CHUNKS - 2) {
                yv = CHUNK_ROWS - 1;
                chunkoff = 1;
            }
            if (yv < 0 || yv > CHUNK_ROWS - 1) continue;

            Tile& n = game->world[slot + chunkoff]->wd[xv][yv];
            int lv = n.v * 30 + 10;
            if (int{n.lightness} < lightness - lv) n.lightness = static_cast<uint8_t>(lightness - lv);
        }
    }
}

}  // namespace

// Its own function, as drawChunksCulled (render.cpp) is.
[[gnu::noinline]] void lightChunks(GameInstance* game)
{
    // The seed: the player's tile shines at full light, when it is resident.
    GlobalTilePosition a = GetTileFromPos(game, game->player->pos);
    if (IsResidentTile(a)) TileAt(game, a)->lightness = 255;

    for (int slot = 0; slot < RESIDENT_CHUNKS; slot++) {
        Chunk* c = game->world[slot];
        VisibleRange r = VisibleRangeOf(game, c->depth, LIGHT_START_OFFSET, LIGHT_TOP_MARGIN);
        for (int y = r.rowBegin; y < r.rowEnd; y++) {
            for (int x = r.colBegin; x < r.colEnd; x++) {
                // Read afresh: light raised earlier in this scan travels on at once.
                int lightness = c->wd[x][y].lightness;
                if (lightness > PASSES_LIGHT_ABOVE) SpreadFrom(game, slot, x, y, lightness);
            }
        }
    }
}
