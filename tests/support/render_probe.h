// What tests and benchmarks look at inside the renderer, beyond the game's
// calls: nothing here is part of the game.
#pragma once

#include <cstdint>

// Number of quads and triangles drawn into the frame since InitWindow; those
// wholly off the frame, broken or facing away are not drawn and not counted.
uint64_t GetDrawnShapeCount(void);
// Number of quads drawn one by one by the general fill since InitWindow,
// rather than along a row of small quads.
uint64_t GetQuadsDrawnAlone(void);
// Whether unturned quads take what they can from the quads before (the fast
// way, the game's) or work everything out afresh; tests compare the two.
void SetDirectFill(bool on);
