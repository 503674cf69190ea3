// The software fill: unturned textured quads drawn straight into the frame
// in memory. SDL's software renderer would take each quad of a batch one by
// one, which at one pixel per tile costs more than the whole rest of a frame.
//
// The fast way keeps, from one quad to the next, what a row of tiles shares:
// tinted copies of the texture, the rows covered, the texture coordinates.
// The plain way works everything out afresh for every quad and every pixel;
// tests check that both give the same picture.
#include "platform/fill.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

using namespace layer;

namespace {

// Index of the texel that a pixel centre at texture coordinate t falls on,
// kept on the texture like a clamped sampler; NaN gives texel 0.
int TexelIndex(double t, int size)
{
    const double i = t * size;
    if (!(i >= 0.0)) return 0;
    return i < size ? static_cast<int>(i) : size - 1;  // truncation is floor here
}

// First whole pixel whose centre is at or right of (below) an edge; the
// edge is within the drawable range, so the conversion cannot overflow.
int FirstPixelFrom(double edge)
{
    const double c = edge - 0.5;
    const int i = static_cast<int>(c);
    return i < c ? i + 1 : i;
}

// One texel times the tint, laid over one frame pixel with alpha, in the same
// integer arithmetic as SDL's software blitter (so a white texel under a tint
// gives exactly the tint).
Uint32 BlendTexel(Uint32 texel, SDL_Color tint, Uint32 dst)
{
    const Uint32 a = (texel >> 24) * tint.a / 255;
    Uint32 r = ((texel >> 16) & 0xFF) * tint.r / 255;
    Uint32 g = ((texel >> 8) & 0xFF) * tint.g / 255;
    Uint32 b = (texel & 0xFF) * tint.b / 255;
    if (a == 255) return 0xFF000000u | (r << 16) | (g << 8) | b;
    r = r * a / 255;
    g = g * a / 255;
    b = b * a / 255;
    const Uint32 keep = 255 - a;
    const Uint32 da = a + keep * (dst >> 24) / 255;
    const Uint32 dr = r + keep * ((dst >> 16) & 0xFF) / 255;
    const Uint32 dg = g + keep * ((dst >> 8) & 0xFF) / 255;
    const Uint32 db = b + keep * (dst & 0xFF) / 255;
    return (da << 24) | (dr << 16) | (dg << 8) | db;
}

// BlendTexel for an opaque texel under an opaque tint: the tinted texel alone.
Uint32 TintOpaqueTexel(Uint32 texel, SDL_Color tint)
{
    const Uint32 r = ((texel >> 16) & 0xFF) * tint.r / 255;
    const Uint32 g = ((texel >> 8) & 0xFF) * tint.g / 255;
    const Uint32 b = (texel & 0xFF) * tint.b / 255;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// The four bytes of an opaque tint as one number: never 0, since its alpha
// is 255, so 0 marks an empty slot.
Uint32 TintKey(SDL_Color tint)
{
    static_assert(sizeof tint == sizeof(Uint32));
    Uint32 key;
    std::memcpy(&key, &tint, sizeof key);
    return key;
}

// The texture's texels under an opaque tint, from its tinted copies: made on
// the first quad in that tint, reused by every later one until another tint
// takes the slot. Null when the texture keeps no copies.
const Uint32* TintedTexels(const LoadedTexture& tex, SDL_Color tint)
{
    if (tex.tinted.empty()) return nullptr;
    const Uint32 key = TintKey(tint);
    const size_t slot = (key * 2654435761u) >> 24;  // Fibonacci hashing onto the 256 slots
    const size_t texels = tex.pixels.size();
    // The copies are a cache beside the texture, not part of it.
    Uint32* copy = const_cast<Uint32*>(&tex.tinted[slot * texels]);
    Uint32& held = const_cast<Uint32&>(tex.tintOfSlot[slot]);
    if (held != key) {
        for (size_t i = 0; i < texels; ++i) copy[i] = TintOpaqueTexel(tex.pixels[i], tint);
        held = key;
    }
    return copy;
}

// Index of the texel under the centre of pixel p, where the texture
// coordinate is t0 at edge e0 and grows by `step` per pixel.
int TexelAt(double e0, double t0, double step, int p, int size) { return TexelIndex(t0 + (p + 0.5 - e0) * step, size); }
int TexelAt(const AxisSpan& s, int p, int size) { return TexelAt(s.e0, s.t0, s.step, p, size); }

// How a quad covers one axis of the frame: from its edge e0 (texture
// coordinate t0) to e1 (t1), inside 0..limit pixels, on a texture `size`
// texels along that axis.
AxisSpan SpanOf(float e0, float e1, float t0, float t1, int limit, int size)
{
    const double a = e0, b = e1;
    AxisSpan s{e0,
               e1,
               t0,
               t1,
               std::max(0, FirstPixelFrom(std::min(a, b))),
               std::min(limit, FirstPixelFrom(std::max(a, b))),
               (static_cast<double>(t1) - t0) / (b - a),
               0};
    if (s.first < s.end) s.firstTexel = TexelAt(s, s.first, size);
    return s;
}

// SpanOf the frame's rows, kept from the last call: the tiles of one row
// share their rows, so a row of pixel-sized tiles works them out once.
inline const AxisSpan& RowsOf(float y0, float y1, float v0, float v1, int size)
{
    // Equal floats give equal spans; a NaN never matches and is worked out afresh.
    AxisSpan& last = L.lastRows;
    if (!(y0 == last.e0 && y1 == last.e1 && v0 == last.t0 && v1 == last.t1 && size == L.lastRowsSize)) {
        last = SpanOf(y0, y1, v0, v1, L.height, size);
        L.lastRowsSize = size;
        L.lastRowPixels = static_cast<Uint32*>(L.frameSurface->pixels) +
                          static_cast<ptrdiff_t>(last.first) * (L.frameSurface->pitch / 4);
    }
    return last;
}

// Fills the pixels where an unturned quad's rows and columns meet. A pixel
// belongs to a quad when its centre lies inside, left and top edges included,
// and shows the texel under that centre: the rule a graphics card follows, so
// both kinds of renderer give the same picture. With `cached` an opaque tint
// is taken from the texture's tinted copies; the pixels are the same either way.
void FillSpans(const LoadedTexture& tex, const AxisSpan& rows, const AxisSpan& cols, SDL_Color tint, bool cached)
{
    const bool opaque = tex.opaque && tint.a == 255;  // the common case: no blending at all
    Uint32* frameRows = static_cast<Uint32*>(L.frameSurface->pixels);
    const ptrdiff_t stride = L.frameSurface->pitch / static_cast<int>(sizeof(Uint32));
    const size_t width = static_cast<size_t>(tex.width);
    if (cols.end - cols.first == 1 && rows.end - rows.first == 1) {
        // A tile a pixel wide (zoomed far out): one texel, one pixel.
        const Uint32 texel =
            tex.pixels[static_cast<size_t>(rows.firstTexel) * width + static_cast<size_t>(cols.firstTexel)];
        Uint32* out = frameRows + rows.first * stride + cols.first;
        *out = opaque ? TintOpaqueTexel(texel, tint) : BlendTexel(texel, tint, *out);
        return;
    }
    const int n = cols.end - cols.first;
    int* columns = L.texelColumns.data();
    for (int i = 0; i < n; ++i) columns[i] = TexelAt(cols, cols.first + i, tex.width);
    const Uint32* tinted = opaque && cached ? TintedTexels(tex, tint) : nullptr;
    // Texel by texel across, as at 16 pixels per tile: each row is one copy.
    bool contiguous = true;
    for (int i = 1; i < n && contiguous; ++i) contiguous = columns[i] == columns[0] + i;
    for (int py = rows.first; py < rows.end; ++py) {
        const size_t row = static_cast<size_t>(TexelAt(rows, py, tex.height)) * width;
        Uint32* out = frameRows + py * stride + cols.first;
        if (tinted && contiguous) {
            std::memcpy(out, tinted + row + columns[0], static_cast<size_t>(n) * sizeof(Uint32));
        } else if (tinted) {
            const Uint32* texels = tinted + row;
            for (int i = 0; i < n; ++i) out[i] = texels[columns[i]];
        } else if (opaque) {
            const Uint32* texels = &tex.pixels[row];
            for (int i = 0; i < n; ++i) out[i] = TintOpaqueTexel(texels[columns[i]], tint);
        } else {
            const Uint32* texels = &tex.pixels[row];
            for (int i = 0; i < n; ++i) out[i] = BlendTexel(texels[columns[i]], tint, out[i]);
        }
    }
}

}  // namespace

namespace layer {

// Fills one unturned quad into the software frame, taking nothing from
// earlier quads unless `cached`.
void FillUprightQuad(const LoadedTexture& tex, const UprightQuad& q, SDL_Color tint, bool cached)
{
    const AxisSpan rows =
        cached ? RowsOf(q.y0, q.y1, q.v0, q.v1, tex.height) : SpanOf(q.y0, q.y1, q.v0, q.v1, L.height, tex.height);
    if (rows.first >= rows.end) return;
    const AxisSpan cols = SpanOf(q.x0, q.x1, q.u0, q.u1, L.width, tex.width);
    if (cols.first < cols.end) FillSpans(tex, rows, cols, tint, cached);
}

void BeginDirectQuad()
{
    if (L.batchQuads > 0 && !L.batchFilled) FlushBatch();
    if (L.batchQuads == 0) {
        SDL_RenderFlush(L.renderer);
        L.batchFilled = true;
    }
}

void EndDirectQuad()
{
    if (++L.batchQuads == BATCH_QUADS) FlushBatch();
}

bool DrawDirectQuad(Rectangle source, Rectangle dest, Vector2 origin, SDL_Color c)
{
    const float x0 = dest.x - origin.x, y0 = dest.y - origin.y;
    const float x1 = x0 + dest.width, y1 = y0 + dest.height;
    // The bounds also rule out NaN and infinities.
    if (!(x1 > x0 && y1 > y0 && x0 >= -MAX_COORDINATE && x1 <= MAX_COORDINATE && y0 >= -MAX_COORDINATE &&
          y1 <= MAX_COORDINATE))
        return false;
    if (x1 <= 0.0f || y1 <= 0.0f || x0 >= static_cast<float>(L.width) || y0 >= static_cast<float>(L.height))
        return true;  // off the window: nothing to draw
    Rectangle& last = L.lastSource;
    if (!(source.x == last.x && source.y == last.y && source.width == last.width && source.height == last.height)) {
        last = source;
        L.lastCoords = SourceCoords(source);
    }
    const TexCoords& t = L.lastCoords;
    const LoadedTexture& tex = *L.batchDirect;
    BeginDirectQuad();
    const AxisSpan& rows = RowsOf(y0, y1, t.top, t.bottom, tex.height);
    const int px0 = std::max(0, FirstPixelFrom(x0)), px1 = std::min(L.width, FirstPixelFrom(x1));
    if (px1 - px0 == 1 && rows.end - rows.first == 1) {
        // A tile a pixel wide (zoomed far out): one texel, one pixel, as FillSpans would draw it.
        const double step = (static_cast<double>(t.right) - t.left) / (static_cast<double>(x1) - x0);
        const int column = TexelAt(x0, t.left, step, px0, tex.width);
        const Uint32 texel = tex.pixels[static_cast<size_t>(rows.firstTexel) * static_cast<size_t>(tex.width) +
                                        static_cast<size_t>(column)];
        Uint32* out = L.lastRowPixels + px0;
        if (tex.opaque && c.a == 255) {
            // Neighbours zoomed out mostly share their texel and tint (the
            // dark rock above all): the last result is kept.
            const Uint32 tint = TintKey(c);
            if (texel != L.lastTexel || tint != L.lastTint) {
                L.lastTexel = texel;
                L.lastTint = tint;
                L.lastTinted = TintOpaqueTexel(texel, c);
            }
            *out = L.lastTinted;
        } else {
            *out = BlendTexel(texel, c, *out);
        }
    } else if (px0 < px1 && rows.first < rows.end) {
        FillSpans(tex, rows, SpanOf(x0, x1, t.left, t.right, L.width, tex.width), c, true);
    }
    EndDirectQuad();
    return true;
}

void PrepareTinting(LoadedTexture* texture)
{
    texture->tinted.clear();
    texture->tintOfSlot.clear();
    const size_t texels = texture->pixels.size();
    if (!texture->opaque || texels == 0 || texels > static_cast<size_t>(MAX_TINTED_TEXELS)) return;
    texture->tinted.assign(TINT_SLOTS * texels, 0);
    texture->tintOfSlot.assign(TINT_SLOTS, 0);
}

}  // namespace layer
