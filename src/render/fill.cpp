// The fill: textured quads drawn straight into the frame in memory, a pixel
// wherever the quad holds the pixel's centre, showing the texel under it.
//
// The fast way keeps, from one quad to the next, what a row of tiles shares:
// tinted copies of the texture, the rows covered, the texture coordinates.
// The plain way works everything out afresh for every quad and every pixel;
// tests check that both give the same picture. Turned quads take a slower,
// general way.
#include "render/canvas.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

using namespace render;

namespace {

// The four bytes of an opaque tint as one number: never 0, since its alpha
// is 255, so 0 marks an empty slot.
uint32_t TintKey(Color tint)
{
    static_assert(sizeof tint == sizeof(uint32_t));
    uint32_t key;
    std::memcpy(&key, &tint, sizeof key);
    return key;
}

// SpanOf the frame's rows, kept from the last call: the tiles of one row
// share their rows, so a row of pixel-sized tiles works them out once.
inline const AxisSpan& RowsOf(float y0, float y1, float v0, float v1, int size)
{
    // Equal floats give equal spans; a NaN never matches and is worked out afresh.
    AxisSpan& last = R.lastRows;
    if (!(y0 == last.e0 && y1 == last.e1 && v0 == last.t0 && v1 == last.t1 && size == R.lastRowsSize)) {
        last = SpanOf(y0, y1, v0, v1, R.height, size);
        R.lastRowsSize = size;
        R.lastRowPixels = R.frame + static_cast<ptrdiff_t>(last.first) * R.width;
    }
    return last;
}

// Fills the pixels where an unturned quad's rows and columns meet. A pixel
// belongs to a quad when its centre lies inside, left and top edges included,
// and shows the texel under that centre. With `cached` an opaque tint
// is taken from the texture's tinted copies; the pixels are the same either way.
void FillSpans(const LoadedTexture& tex, const AxisSpan& rows, const AxisSpan& cols, Color tint, bool cached)
{
    const bool opaque = tex.opaque && tint.a == 255;  // the common case: no blending at all
    uint32_t* frameRows = R.frame;
    const ptrdiff_t stride = R.width;
    const size_t width = static_cast<size_t>(tex.width);
    if (cols.end - cols.first == 1 && rows.end - rows.first == 1) {
        // A tile a pixel wide (zoomed far out): one texel, one pixel.
        const uint32_t texel =
            tex.pixels[static_cast<size_t>(rows.firstTexel) * width + static_cast<size_t>(cols.firstTexel)];
        uint32_t* out = frameRows + rows.first * stride + cols.first;
        *out = opaque ? TintOpaqueTexel(texel, tint) : BlendTexel(texel, tint, *out);
        return;
    }
    const int n = cols.end - cols.first;
    int* columns = R.texelColumns.data();
    for (int i = 0; i < n; ++i) columns[i] = TexelAt(cols, cols.first + i, tex.width);
    const uint32_t* tinted = opaque && cached ? TintedTexels(tex, tint) : nullptr;
    // Texel by texel across, as at 16 pixels per tile: each row is one copy.
    bool contiguous = true;
    for (int i = 1; i < n && contiguous; ++i) contiguous = columns[i] == columns[0] + i;
    for (int py = rows.first; py < rows.end; ++py) {
        const size_t row = static_cast<size_t>(TexelAt(rows, py, tex.height)) * width;
        uint32_t* out = frameRows + py * stride + cols.first;
        if (tinted && contiguous) {
            std::memcpy(out, tinted + row + columns[0], static_cast<size_t>(n) * sizeof(uint32_t));
        } else if (tinted) {
            const uint32_t* texels = tinted + row;
            for (int i = 0; i < n; ++i) out[i] = texels[columns[i]];
        } else if (opaque) {
            const uint32_t* texels = &tex.pixels[row];
            for (int i = 0; i < n; ++i) out[i] = TintOpaqueTexel(texels[columns[i]], tint);
        } else {
            const uint32_t* texels = &tex.pixels[row];
            for (int i = 0; i < n; ++i) out[i] = BlendTexel(texels[columns[i]], tint, out[i]);
        }
    }
}

}  // namespace

namespace render {

const uint32_t* TintedTexels(const LoadedTexture& tex, Color tint)
{
    if (tex.tinted.empty()) return nullptr;
    const uint32_t key = TintKey(tint);
    const size_t slot = (key * 2654435761u) >> 24;  // Fibonacci hashing onto the 256 slots
    const size_t texels = tex.pixels.size();
    // The copies are a cache beside the texture, not part of it.
    uint32_t* copy = const_cast<uint32_t*>(&tex.tinted[slot * texels]);
    uint32_t& held = const_cast<uint32_t&>(tex.tintOfSlot[slot]);
    if (held != key) {
        for (size_t i = 0; i < texels; ++i) copy[i] = TintOpaqueTexel(tex.pixels[i], tint);
        held = key;
    }
    return copy;
}

// Each channel times the tint's in whole numbers, truncated, then laid over
// the frame pixel by the texel's alpha: the rounding every picture of the
// game (and its demo digests' screenshots) is made with.
uint32_t BlendTexel(uint32_t texel, Color tint, uint32_t dst)
{
    const uint32_t a = (texel >> 24) * tint.a / 255;
    uint32_t r = ((texel >> 16) & 0xFF) * tint.r / 255;
    uint32_t g = ((texel >> 8) & 0xFF) * tint.g / 255;
    uint32_t b = (texel & 0xFF) * tint.b / 255;
    if (a == 255) return 0xFF000000u | (r << 16) | (g << 8) | b;
    r = r * a / 255;
    g = g * a / 255;
    b = b * a / 255;
    const uint32_t keep = 255 - a;
    const uint32_t da = a + keep * (dst >> 24) / 255;
    const uint32_t dr = r + keep * ((dst >> 16) & 0xFF) / 255;
    const uint32_t dg = g + keep * ((dst >> 8) & 0xFF) / 255;
    const uint32_t db = b + keep * (dst & 0xFF) / 255;
    return (da << 24) | (dr << 16) | (dg << 8) | db;
}

// Fills one unturned quad into the software frame, taking nothing from
// earlier quads unless `cached`.
void FillUprightQuad(const LoadedTexture& tex, const UprightQuad& q, Color tint, bool cached)
{
    const AxisSpan rows =
        cached ? RowsOf(q.y0, q.y1, q.v0, q.v1, tex.height) : SpanOf(q.y0, q.y1, q.v0, q.v1, R.height, tex.height);
    if (rows.first >= rows.end) return;
    const AxisSpan cols = SpanOf(q.x0, q.x1, q.u0, q.u1, R.width, tex.width);
    if (cols.first < cols.end) FillSpans(tex, rows, cols, tint, cached);
}

bool DrawDirectQuad(Rectangle source, Rectangle dest, Vector2 origin, Color c)
{
    const float x0 = dest.x - origin.x, y0 = dest.y - origin.y;
    const float x1 = x0 + dest.width, y1 = y0 + dest.height;
    // The bounds also rule out NaN and infinities.
    if (!(x1 > x0 && y1 > y0 && x0 >= -MAX_COORDINATE && x1 <= MAX_COORDINATE && y0 >= -MAX_COORDINATE &&
          y1 <= MAX_COORDINATE))
        return false;
    if (x1 <= 0.0f || y1 <= 0.0f || x0 >= static_cast<float>(R.width) || y0 >= static_cast<float>(R.height))
        return true;  // off the window: nothing to draw
    Rectangle& last = R.lastSource;
    if (!(source.x == last.x && source.y == last.y && source.width == last.width && source.height == last.height)) {
        last = source;
        R.lastCoords = SourceCoords(source);
    }
    const TexCoords& t = R.lastCoords;
    const LoadedTexture& tex = *R.quadTexture;
    ++R.shapes;
    const AxisSpan& rows = RowsOf(y0, y1, t.top, t.bottom, tex.height);
    const int px0 = std::max(0, FirstPixelFrom(x0)), px1 = std::min(R.width, FirstPixelFrom(x1));
    if (px1 - px0 == 1 && rows.end - rows.first == 1) {
        // A tile a pixel wide (zoomed far out): one texel, one pixel, as FillSpans would draw it.
        const double step = (static_cast<double>(t.right) - t.left) / (static_cast<double>(x1) - x0);
        const int column = TexelAt(x0, t.left, step, px0, tex.width);
        const uint32_t texel = tex.pixels[static_cast<size_t>(rows.firstTexel) * static_cast<size_t>(tex.width) +
                                          static_cast<size_t>(column)];
        uint32_t* out = R.lastRowPixels + px0;
        if (tex.opaque && c.a == 255) {
            // Neighbours zoomed out mostly share their texel and tint (the
            // dark rock above all): the last result is kept.
            const uint32_t tint = TintKey(c);
            if (texel != R.lastTexel || tint != R.lastTint) {
                R.lastTexel = texel;
                R.lastTint = tint;
                R.lastTinted = TintOpaqueTexel(texel, c);
            }
            *out = R.lastTinted;
        } else {
            *out = BlendTexel(texel, c, *out);
        }
    } else if (px0 < px1 && rows.first < rows.end) {
        FillSpans(tex, rows, SpanOf(x0, x1, t.left, t.right, R.width, tex.width), c, true);
    }
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

}  // namespace render

namespace render {

// Each pixel whose centre lies in the quad (two edges included, as for the
// unturned ones) shows the texel found by mapping that centre back onto the
// texture; a quad of the game never turns, so plainness wins over speed here.
void FillTurnedQuad(const LoadedTexture& tex, const Vector2 corners[4], TexCoords t, Color tint)
{
    const Vector2 o = corners[0];  // texture's top-left
    const double ax = static_cast<double>(corners[3].x) - o.x, ay = static_cast<double>(corners[3].y) - o.y;  // along u
    const double bx = static_cast<double>(corners[1].x) - o.x, by = static_cast<double>(corners[1].y) - o.y;  // along v
    const double det = ax * by - ay * bx;
    if (det == 0.0) return;
    const auto [minX, maxX] = std::minmax({corners[0].x, corners[1].x, corners[2].x, corners[3].x});
    const auto [minY, maxY] = std::minmax({corners[0].y, corners[1].y, corners[2].y, corners[3].y});
    const int x0 = std::max(0, FirstPixelFrom(minX)), x1 = std::min(R.width, FirstPixelFrom(maxX) + 1);
    const int y0 = std::max(0, FirstPixelFrom(minY)), y1 = std::min(R.height, FirstPixelFrom(maxY) + 1);
    for (int py = y0; py < y1; ++py) {
        uint32_t* row = R.frame + static_cast<ptrdiff_t>(py) * R.width;
        for (int px = x0; px < x1; ++px) {
            const double dx = px + 0.5 - o.x, dy = py + 0.5 - o.y;
            const double a = (dx * by - dy * bx) / det, b = (ax * dy - ay * dx) / det;  // 0..1 across the quad
            if (!(a >= 0.0 && a < 1.0 && b >= 0.0 && b < 1.0)) continue;
            const int u = TexelIndex(t.left + a * (static_cast<double>(t.right) - t.left), tex.width);
            const int v = TexelIndex(t.top + b * (static_cast<double>(t.bottom) - t.top), tex.height);
            const uint32_t texel = tex.pixels[static_cast<size_t>(v) * static_cast<size_t>(tex.width) + u];
            row[px] = BlendTexel(texel, tint, row[px]);
        }
    }
    ++R.shapes;
}

}  // namespace render
