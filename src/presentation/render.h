// Tile drawing: the lit terrain, one tinted square of the tile sprite per tile
// in view, each fading a little once drawn.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct GameInstance;

// Tint of a tile with this light and kind (v 0 empty, 1 solid): warm grey,
// solid twice as bright as empty under the same light.
Color TileTint(uint8_t lightness, uint8_t v);

// Runs the light pass, then draws every tile of the visible range of every
// slot and fades each drawn tile by 5.
void drawChunks(GameInstance* game);

// drawChunks without sending tiles that lie wholly outside the window to the
// renderer when `cull` is set; the light and fading are identical either way.
void drawChunksCulled(GameInstance* game, bool cull);
