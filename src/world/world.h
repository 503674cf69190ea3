// The world's records and its addressing rules: tiles, 16-row chunks, the
// resident window of 64 chunk slots, and the rules that turn a height into a
// depth, a depth into a slot, and a world position into a tile address.
#pragma once

#include <cmath>
#include <cstdint>

#include "platform/platform.h"

struct GameInstance;

// Window pixels per tile: the zoom. The game's one global; read afresh wherever it is used.
extern int32_t WORLDSCALE;

constexpr int WORLD_COLUMNS = 256;          // tiles across the world
constexpr int CHUNK_ROWS = 16;              // rows in one chunk
constexpr int RESIDENT_CHUNKS = 64;         // chunk records in the window
constexpr int32_t NEVER_ASSIGNED = -12000;  // depth mark of a record never assigned or generated

struct Tile {
    uint8_t v = 0;          // 0 empty, 1 solid
    uint8_t lightness = 0;  // 0 dark .. 255 full light
};

struct Chunk {
    int32_t depth = NEVER_ASSIGNED;             // depth whose terrain the tiles hold
    int32_t replacementdepth = NEVER_ASSIGNED;  // depth this record stands for in the window
    int32_t id = 0;                             // slot index in the window, renumbered after each sort
    Tile wd[WORLD_COLUMNS][CHUNK_ROWS];         // wd[column][row]; row 0 is the lowest
};

// Address of one tile: a window slot, a column and a row. Names a resident
// tile only when IsResidentTile says so.
struct GlobalTilePosition {
    uint8_t chunkid;  // slot in the window; 64 and above name no record
    uint8_t x;        // column 0..255
    uint8_t y;        // row 0..15; 16 for some heights above 0
};

// A float truncated toward zero to an int, saturating where the value does not
// fit (and 0 for NaN), so that no position, however wild, converts undefinedly.
inline int32_t TruncateToInt(float f)
{
    if (std::isnan(f)) return 0;
    if (f >= 2147483648.0f) return INT32_MAX;
    if (f <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(f);
}

// Depth of the chunk holding height y: -(trunc(y) >> 4).
int32_t DepthOfHeight(float y);
// Depth of the chunk whose rows hold the whole-number height k: -(k >> 4).
inline int32_t DepthOfWholeHeight(int32_t k) { return -(k >> 4); }
// Slot of depth d in the window; 0..63 only for resident depths.
int32_t SlotOfDepth(const GameInstance* g, int32_t depth);
// True when the address names one of the 64 x 256 x 16 resident tiles.
inline bool IsResidentTile(GlobalTilePosition p) { return p.chunkid < RESIDENT_CHUNKS && p.y < CHUNK_ROWS; }
// The tile an address names; only for addresses that IsResidentTile accepts.
Tile* TileAt(GameInstance* g, GlobalTilePosition p);
// The tile in `column` whose top edge is at whole-number height `top`; null
// when that tile is not resident.
Tile* TileWithTopEdge(GameInstance* g, int column, int top);

// Tile address of a world position. Writes "STOP\n" to standard output when the
// position lies outside the window (slot above 63), and returns the address anyway.
GlobalTilePosition GetTileFromPos(GameInstance* g, Vector2 pos);
