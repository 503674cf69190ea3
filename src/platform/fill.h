// The software fill's offer to the rest of the graphics layer (fill.cpp):
// unturned quads drawn straight into the frame in memory, a pixel wherever
// the quad holds the pixel's centre, showing the texel under that centre: the
// rule a graphics card follows, so both kinds of renderer give the same picture.
#pragma once

#include <SDL.h>

#include <cstddef>

#include "platform/layer.h"

namespace layer {

// Where an unturned quad lies, in window pixels, and which part of its
// texture it shows, in texture coordinates (0 to 1).
struct UprightQuad {
    float x0, y0, x1, y1;  // the corners drawn first (top-left) and third (bottom-right)
    float u0, v0, u1, v1;  // the texture coordinates at those corners
};

// Fills one unturned quad (any corner order). With `cached` it takes what it
// can from the quads before; the pixels are the same either way.
void FillUprightQuad(const LoadedTexture& tex, const UprightQuad& q, SDL_Color tint, bool cached);
// The tiles' case, on the fast path: an unturned quad of positive size well
// inside the drawable range, drawn straight into the software frame from the
// batch's texture (L.batchDirect), its texture coordinates kept from the last
// quad when the source is the same. Returns false, having done nothing, for
// any other quad.
bool DrawDirectQuad(Rectangle source, Rectangle dest, Vector2 origin, SDL_Color tint);
// Count a quad filled straight into the frame in the batch, which ends where
// a batch of stored quads would have; the first one lets SDL draw what it
// still holds, which lies underneath.
void BeginDirectQuad();
void EndDirectQuad();
// Sets up the tinted copies of a texture just made, when it is small and opaque.
void PrepareTinting(LoadedTexture* texture);

}  // namespace layer
