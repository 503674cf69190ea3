// The terrain generator: solid rock cut by winding tunnels, built from three
// layers of seeded value noise. A chunk's tiles depend on its depth alone, so
// a depth left behind and visited again comes back exactly as it was.
#pragma once

#include <cstdint>

#include "world/world.h"

// Hashes a number to a value in [0, 1): the corner values of the noise lattice.
float rand_seeded(float seed);

// Smoothed two-dimensional value noise over the lattice of cells 1/scalefactor
// tiles wide; in [0, 1) for non-negative coordinates. Around zero the cell is
// twice as wide and the blend extrapolates beyond the corner values.
// Scaled coordinates beyond +-2^40 cells are pinned to that edge (no chunk
// samples that far); a NaN coordinate gives a NaN result.
float ValueNoise(Vector2 xy, float scalefactor, int seed);

// How much the large-scale layer widens the tunnels at a depth: 0.0025 per chunk.
float DepthBias(int32_t depth);

// The sum a tile at sample point p is judged by; the tile is solid when it is
// greater than 0.1. p is (column, 16 * depth - row), bias is DepthBias(depth).
double TerrainSum(Vector2 p, float bias);

// Fills the chunk with the terrain of its replacementdepth and marks it as
// generated for that depth. Touches only depth and the tiles' v.
void generatechunk(Chunk* t);

// The same terrain computed tile by tile, every tile hashing its own corners.
// Slow; kept as the yardstick the fast generator is checked and timed against.
void generatechunk_reference(Chunk* t);
