// The camera and the one mapping between world and window: where a world point
// is drawn, which world point lies under a window pixel, and which tiles of a
// chunk the light pass and the tile drawing visit.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "shell/state.h"
#include "world/world.h"

// Next camera position (world pixels): `interpolate` of the way from CameraPos
// to the target (world tiles, scaled by the zoom) plus the pixel offset, kept
// inside the world's width.
Vector2 PanCamera(Vector2 CameraPos, Vector2 targetpos, float interpolate, Vector2 offset);

// Window pixel of a point given in world pixels (world units times WORLDSCALE).
Vector2 WorldPixelsToScreen(const GameInstance* g, Vector2 worldPixels);
// World point (tiles) under a window pixel: the inverse of the mapping above.
Vector2 ScreenToWorld(const GameInstance* g, Vector2 screen);
// Top-left window pixel of the tile in `column`, `row` of a chunk holding `depth`.
Vector2 TileScreenCorner(const GameInstance* g, int32_t depth, int column, int row);
// The two halves of TileScreenCorner, each a coordinate of WorldPixelsToScreen:
// the window x of a column's left edge, the same for every row (inline: the
// tile drawing asks it once per tile), and the window y of a row's top edge,
// the same for every column.
inline float TileScreenLeft(const GameInstance* g, int column)
{
    return static_cast<float>(int64_t{WORLDSCALE} * column) - g->CameraPosition.x;
}
float TileScreenTop(const GameInstance* g, int32_t depth, int row);

// Tiles of one chunk to visit: rows [rowBegin, rowEnd) upward, and in each row
// columns [colBegin, colEnd) left to right. Empty when a begin reaches its end.
struct VisibleRange {
    int rowBegin;
    int rowEnd;
    int colBegin;
    int colEnd;
};

// The tiles of the chunk holding `depth` that lie in view, with a start offset
// of `startOffset` rows and a margin of `topMargin` tiles above the window.
// Below the window every row is included.
VisibleRange VisibleRangeOf(const GameInstance* g, int32_t depth, int startOffset, int topMargin);
