#include "world/world.h"

#include <iostream>

#include "shell/state.h"

int32_t WORLDSCALE = 16;

int32_t DepthOfHeight(float y) { return DepthOfWholeHeight(TruncateToInt(y)); }

int32_t SlotOfDepth(const GameInstance* g, int32_t depth)
{
    // Widened so that a depth far outside the window cannot overflow into a valid slot.
    int64_t slot = int64_t{depth} - g->world[RESIDENT_CHUNKS - 1]->replacementdepth + (RESIDENT_CHUNKS - 1);
    if (slot < INT32_MIN) return INT32_MIN;
    if (slot > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(slot);
}

Tile* TileAt(GameInstance* g, GlobalTilePosition p) { return &g->world[p.chunkid]->wd[p.x][p.y]; }

Tile* TileWithTopEdge(GameInstance* g, int column, int top)
{
    if (column < 0 || column >= WORLD_COLUMNS) return nullptr;
    int32_t depth = DepthOfWholeHeight(top);
    int32_t slot = SlotOfDepth(g, depth);
    if (slot < 0 || slot >= RESIDENT_CHUNKS) return nullptr;
    return &g->world[slot]->wd[column][top + int64_t{CHUNK_ROWS} * depth];
}

GlobalTilePosition GetTileFromPos(GameInstance* g, Vector2 pos)
{
    int32_t chunkdepth = DepthOfHeight(pos.y);
    GlobalTilePosition p;
    int32_t slot = SlotOfDepth(g, chunkdepth);
    p.chunkid = static_cast<uint8_t>(slot);
    if (slot < 0 || slot > RESIDENT_CHUNKS - 1) {
        std::cout << "STOP\n";
        // A depth hundreds of chunks away would fold back onto a resident slot
        // through the low 8 bits; name no record instead.
        if (p.chunkid < RESIDENT_CHUNKS) p.chunkid = UINT8_MAX;
    }
    p.x = static_cast<uint8_t>(TruncateToInt(pos.x));
    float rowtop = static_cast<float>(int64_t{chunkdepth} * CHUNK_ROWS) + pos.y;
    p.y = static_cast<uint8_t>(TruncateToInt(std::ceil(rowtop)));
    return p;
}
