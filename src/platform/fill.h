// The fill's offer to the rest of the graphics layer (fill.cpp): textured
// quads drawn straight into the frame in memory, a pixel wherever the quad
// holds the pixel's centre, showing the texel under that centre.
#pragma once

#include <cstddef>

#include "platform/layer.h"

namespace layer {

// Where an unturned quad lies, in frame pixels, and which part of its
// texture it shows, in texture coordinates (0 to 1).
struct UprightQuad {
    float x0, y0, x1, y1;  // the corners drawn first (top-left) and third (bottom-right)
    float u0, v0, u1, v1;  // the texture coordinates at those corners
};

// Fills one unturned quad (any corner order). With `cached` it takes what it
// can from the quads before; the pixels are the same either way.
void FillUprightQuad(const LoadedTexture& tex, const UprightQuad& q, Color tint, bool cached);
// The tiles' case, on the fast path: an unturned quad of positive size well
// inside the drawable range, drawn from the quads' texture (L.quadTexture),
// its texture coordinates kept from the last quad when the source is the
// same. Returns false, having done nothing, for any other quad.
bool DrawDirectQuad(Rectangle source, Rectangle dest, Vector2 origin, Color tint);
// Fills a turned quad given by its corners, counter-clockwise on the screen
// from the one showing the texture's top-left; the corners are finite and
// within the drawable range.
void FillTurnedQuad(const LoadedTexture& tex, const Vector2 corners[4], TexCoords t, Color tint);
// Sets up the tinted copies of a texture just made, when it is small and opaque.
void PrepareTinting(LoadedTexture* texture);

}  // namespace layer
