// Rows of small quads: the tiles of a zoomed-out view, a few pixels or a
// single pixel each, drawn for little more than writing their pixels. What a
// row's quads share (the texture coordinates, the frame rows and the texel
// rows under them) is worked out once per row; where each quad falls across
// (its pixels and the texel columns under them) once for as long as the rows
// repeat their lefts, as every row of a view does. The pixels are exactly
// those DrawQuadNow draws for each quad in turn: the same arithmetic, the
// same order; any quad this path is not for is handed to it.
#include <algorithm>
#include <bit>
#include <cstring>

#include "render/canvas.h"
#include "render/render.h"

using namespace render;

namespace {

// Frame rows a small quad can cover: its height, and one more where rounding puts it.
constexpr int MAX_ROWS = 66;
static_assert(MAX_ROWS >= SMALL_QUAD + 1);
// A quad of up to this many pixels is tinted pixel by pixel; a larger one is
// taken from the texture's tinted copies.
constexpr int DIRECT_PIXELS = 20;

bool InDrawableRange(float v) { return v >= -MAX_COORDINATE && v <= MAX_COORDINATE; }
bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

// Whether the columns kept are those of this row.
bool SameColumns(const RowColumns& c, const float* lefts, int count, float width, TexCoords t, int textureWidth)
{
    return c.lefts.size() == static_cast<size_t>(count) && SameBits(c.width, width) && SameBits(c.left, t.left) &&
           SameBits(c.right, t.right) && c.textureWidth == textureWidth && c.frameWidth == R.width &&
           std::memcmp(c.lefts.data(), lefts, static_cast<size_t>(count) * sizeof(float)) == 0;
}

// Lists each quad's one pixel and the texel under it, where every quad of the
// row is one pixel wide or off the frame; clears the lists otherwise.
void PlanPixels(RowColumns* c)
{
    c->pixels.clear();
    c->pixelTexels.clear();
    for (const RowQuad& q : c->quads)
        if (q.kind == RowQuadKind::General || (q.kind == RowQuadKind::Small && q.end - q.first != 1)) return;
    for (const RowQuad& q : c->quads) {
        const bool on = q.kind == RowQuadKind::Small;
        c->pixels.push_back(on ? q.first : -1);
        c->pixelTexels.push_back(on ? c->texels[static_cast<size_t>(q.texels)] : 0);
    }
}

// Works out where each quad of a row falls across, as DrawDirectQuad does
// for one quad: the same checks, pixels and texel columns.
void PlanColumns(RowColumns* c, const float* lefts, int count, float width, TexCoords t, int textureWidth)
{
    c->lefts.assign(lefts, lefts + count);
    c->width = width, c->left = t.left, c->right = t.right;
    c->textureWidth = textureWidth;
    c->frameWidth = R.width;
    c->quads.resize(static_cast<size_t>(count));
    c->texels.clear();
    for (int i = 0; i < count; ++i) {
        const float x0 = lefts[i], x1 = x0 + width;
        RowQuad& q = c->quads[static_cast<size_t>(i)];
        q = RowQuad{RowQuadKind::General, false, false, 0, 0, static_cast<int>(c->texels.size())};
        if (!(x1 > x0 && InDrawableRange(x0) && InDrawableRange(x1))) continue;
        if (x1 <= 0.0f || x0 >= static_cast<float>(R.width)) {
            q.kind = RowQuadKind::Off;
            continue;
        }
        q.kind = RowQuadKind::Small;
        q.first = std::max(0, FirstPixelFrom(x0));
        q.end = std::min(R.width, FirstPixelFrom(x1));
        const double step = (static_cast<double>(t.right) - t.left) / (static_cast<double>(x1) - x0);
        for (int p = q.first; p < q.end; ++p) c->texels.push_back(TexelAt(x0, t.left, step, p, textureWidth));
        const auto under = c->texels.begin() + q.texels;
        q.contiguous = true;
        for (int p = 1; p < q.end - q.first; ++p) q.contiguous = q.contiguous && under[p] == under[0] + p;
        if (i == 0) continue;
        const RowQuad& b = c->quads[static_cast<size_t>(i - 1)];
        q.likeBefore = b.kind == RowQuadKind::Small && b.end - b.first == q.end - q.first &&
                       std::equal(c->texels.begin() + b.texels, under, under);
    }
    PlanPixels(c);
}

// Copies a row of a small quad's pixels (at most SMALL_QUAD + 1) that do not
// overlap: four at a time in plain loads and stores, since a library copy of
// so few costs more in its call than in its bytes (above all in the browser).
inline void CopyQuadPixels(uint32_t* out, const uint32_t* in, int n)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) __builtin_memcpy(out + i, in + i, 16);
    // Spelled out: a loop here the compiler would turn back into a library call.
    switch (n - i) {
        case 3: out[i + 2] = in[i + 2]; [[fallthrough]];
        case 2: out[i + 1] = in[i + 1]; [[fallthrough]];
        case 1: out[i] = in[i]; break;
        default: break;
    }
}

// One row's drawing: its frame rows and the texel rows under them, and the
// last pixels tinted, which neighbours zoomed out mostly share (the dark rock
// above all).
struct RowDraw {
    const LoadedTexture* tex;
    const uint32_t* texelRows[MAX_ROWS];                   // the texels under each frame row covered
    int rowCount;                                          // frame rows covered
    uint32_t* frameRow;                                    // the first of them
    uint32_t lastTexel = 0, lastTint = 0, lastTinted = 0;  // a pixel-sized quad's
    uint32_t held[DIRECT_PIXELS] = {};                     // a small quad's pixels, row by row
    uint32_t heldTint = 0;                                 // the last quad's tint; 0 for none
    int heldFirst = 0;                                     // the last quad's first frame column
};

// Draws a small quad in an opaque tint.
void DrawSmallQuad(RowDraw* d, const RowQuad& q, const int* texels, Color c)
{
    const int across = q.end - q.first;
    const int* under = texels + q.texels;
    const uint32_t tint = std::bit_cast<uint32_t>(c);  // its alpha is 255: never 0
    if (across == 1 && d->rowCount == 1) {
        const uint32_t texel = d->texelRows[0][under[0]];
        if (texel != d->lastTexel || tint != d->lastTint) {
            d->lastTexel = texel, d->lastTint = tint;
            d->lastTinted = TintOpaqueTexel(texel, c);
        }
        d->frameRow[q.first] = d->lastTinted;
        return;
    }
    const ptrdiff_t stride = R.width;
    if (across * d->rowCount <= DIRECT_PIXELS) {
        // The quad before over the same texels in the same tint left the very pixels needed.
        if (!(q.likeBefore && tint == d->heldTint)) {
            for (int r = 0; r < d->rowCount; ++r)
                for (int p = 0; p < across; ++p)
                    d->held[r * across + p] = TintOpaqueTexel(d->texelRows[r][under[p]], c);
            d->heldTint = tint;
        }
        for (int r = 0; r < d->rowCount; ++r)
            CopyQuadPixels(d->frameRow + r * stride + q.first, d->held + r * across, across);
        return;
    }
    if (q.likeBefore && tint == d->heldTint) {
        // The quad before, over the same texels in the same tint, drew the very pixels needed.
        for (int r = 0; r < d->rowCount; ++r) {
            uint32_t* row = d->frameRow + r * stride;
            // Quads overlap where the zoom leaves them a fraction of a pixel apart.
            if (q.first > d->heldFirst && q.first < d->heldFirst + across)
                std::memmove(row + q.first, row + d->heldFirst, static_cast<size_t>(across) * 4);
            else
                CopyQuadPixels(row + q.first, row + d->heldFirst, across);
        }
        d->heldFirst = q.first;
        return;
    }
    d->heldTint = tint;
    d->heldFirst = q.first;
    const uint32_t* tinted = TintedTexels(*d->tex, c);
    for (int r = 0; r < d->rowCount; ++r) {
        uint32_t* out = d->frameRow + r * stride + q.first;
        const uint32_t* row = d->texelRows[r];
        if (tinted) row = tinted + (row - d->tex->pixels.data());
        if (tinted && q.contiguous) {
            CopyQuadPixels(out, row + under[0], across);  // texel for pixel, as at zoom 16
        } else {
            for (int p = 0; p < across; ++p) out[p] = tinted ? row[under[p]] : TintOpaqueTexel(row[under[p]], c);
        }
    }
}

// A row of one-pixel quads over one frame row (a view zoomed all the way
// out): each quad is a load, a compare and a store. `shape` holds the quads'
// top, width and height (its x is unused).
void DrawPixelRow(const RowDraw& d, const RowColumns& columns, Texture2D texture, Rectangle source, const float* lefts,
                  Rectangle shape, const Color* tints, int count)
{
    const int* pixels = columns.pixels.data();
    const int* texels = columns.pixelTexels.data();
    const uint32_t* texelRow = d.texelRows[0];
    uint32_t* frameRow = d.frameRow;
    uint32_t lastTexel = 0, lastTint = 0, lastTinted = 0;  // an opaque tint is never 0
    uint64_t shapes = 0;
    for (int i = 0; i < count; ++i) {
        const int p = pixels[i];
        if (p < 0) continue;
        const Color c = tints[i];
        if (c.a != 255) {
            DrawQuadNow(texture, source, Rectangle{lefts[i], shape.y, shape.width, shape.height}, Vector2{0.0f, 0.0f},
                        0.0f, c);
            continue;
        }
        ++shapes;
        const uint32_t texel = texelRow[texels[i]];
        const uint32_t tint = std::bit_cast<uint32_t>(c);
        if (texel != lastTexel || tint != lastTint) {
            lastTexel = texel, lastTint = tint;
            lastTinted = TintOpaqueTexel(texel, c);
        }
        frameRow[p] = lastTinted;
    }
    R.shapes += shapes;
}

}  // namespace

void render::DrawQuadRow(Texture2D texture, Rectangle source, const float* lefts, float top, float width, float height,
                         const Color* tints, int count)
{
    if (!R.frame || count <= 0 || !UseQuadTexture(texture.id)) return;
    const LoadedTexture& tex = *R.quadTexture;
    const float bottom = top + height;
    if (!(R.fastFill && tex.opaque && width <= SMALL_QUAD && height <= SMALL_QUAD && bottom > top &&
          InDrawableRange(top) && InDrawableRange(bottom))) {
        for (int i = 0; i < count; ++i)
            DrawQuadNow(texture, source, Rectangle{lefts[i], top, width, height}, Vector2{0.0f, 0.0f}, 0.0f, tints[i]);
        return;
    }
    const TexCoords t = SourceCoords(source);
    RowColumns& columns = R.rowColumns;
    if (!SameColumns(columns, lefts, count, width, t, tex.width))
        PlanColumns(&columns, lefts, count, width, t, tex.width);
    // A row wholly above or below the frame draws and counts only its broken quads.
    const bool offFrame = bottom <= 0.0f || top >= static_cast<float>(R.height);
    const AxisSpan rows = SpanOf(top, bottom, t.top, t.bottom, R.height, tex.height);
    RowDraw d{&tex,
              {},
              offFrame ? 0 : std::max(0, rows.end - rows.first),
              R.frame + static_cast<ptrdiff_t>(rows.first) * R.width};
    for (int r = 0; r < d.rowCount; ++r)
        d.texelRows[r] = &tex.pixels[static_cast<size_t>(TexelAt(rows, rows.first + r, tex.height)) *
                                     static_cast<size_t>(tex.width)];
    if (d.rowCount == 1 && !columns.pixels.empty()) {
        DrawPixelRow(d, columns, texture, source, lefts, Rectangle{0.0f, top, width, height}, tints, count);
        return;
    }
    uint64_t shapes = 0;
    for (int i = 0; i < count; ++i) {
        const RowQuad& q = columns.quads[static_cast<size_t>(i)];
        if (q.kind == RowQuadKind::Off || (offFrame && q.kind == RowQuadKind::Small)) continue;
        if (q.kind == RowQuadKind::General || tints[i].a != 255) {
            DrawQuadNow(texture, source, Rectangle{lefts[i], top, width, height}, Vector2{0.0f, 0.0f}, 0.0f, tints[i]);
            d.heldTint = 0;
            continue;
        }
        ++shapes;
        DrawSmallQuad(&d, q, columns.texels.data(), tints[i]);
    }
    R.shapes += shapes;
}
