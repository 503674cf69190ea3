// The software fill's offer to the rest of the graphics layer (fill.cpp):
// unturned quads drawn straight into the frame in memory, a pixel wherever
// the quad holds the pixel's centre, showing the texel under that centre: the
// rule a graphics card follows, so both kinds of renderer give the same picture.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstring>

#include "platform/layer.h"

namespace layer {

// Where an unturned quad lies, in window pixels, and which part of its
// texture it shows, in texture coordinates (0 to 1).
struct UprightQuad {
    float x0, y0, x1, y1;  // the corners drawn first (top-left) and third (bottom-right)
    float u0, v0, u1, v1;  // the texture coordinates at those corners
};

// True when two runs of floats hold the same bits: what a cache keyed by
// them needs, cheaper than comparing floats one by one.
template <size_t N>
bool SameBits(const float (&a)[N], const float (&b)[N])
{
    return std::memcmp(a, b, sizeof a) == 0;
}

// Fills one unturned quad (any corner order). With `cached` it takes what it
// can from the quads before; the pixels are the same either way.
void FillUprightQuad(const LoadedTexture& tex, const UprightQuad& q, SDL_Color tint, bool cached);
// The fast way for an ordinary quad, x0 < x1 and y0 < y1, in texture
// coordinates t: the tiles' case.
void FillOrdinaryPixels(const LoadedTexture& tex, float x0, float y0, float x1, float y1, const TexCoords& t,
                        SDL_Color c);
// Sets up the tinted copies of a texture just made, when it is small and opaque.
void PrepareTinting(LoadedTexture* texture);

}  // namespace layer
