// Drawing into the frame: textured quads (handed to the fill), clearing,
// rectangles and triangles.
#include "render/render.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "render/canvas.h"

#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

using namespace render;

namespace {

const LoadedTexture* FindTexture(unsigned int id)
{
    for (const LoadedTexture& t : R.textures)
        if (t.id == id) return &t;
    return nullptr;
}

bool InDrawableRange(float v) { return v >= -MAX_COORDINATE && v <= MAX_COORDINATE; }

// Any unturned quad: the ones DrawDirectQuad leaves (mirrored, broken, or
// on the plain path). Dropped when it lies off the frame, is broken (a corner
// not finite or absurdly far) or faces away (a negative width or height, but
// not both); otherwise filled at once, working everything out afresh.
void DrawUnturnedQuad(Rectangle dest, Vector2 origin, TexCoords t, Color c)
{
    const float x0 = dest.x - origin.x, y0 = dest.y - origin.y;
    const float x1 = x0 + dest.width, y1 = y0 + dest.height;
    if (!(InDrawableRange(x0) && InDrawableRange(x1) && InDrawableRange(y0) && InDrawableRange(y1))) return;
    if (!(std::max(x0, x1) > 0.0f && std::min(x0, x1) < static_cast<float>(R.width) && std::max(y0, y1) > 0.0f &&
          std::min(y0, y1) < static_cast<float>(R.height)))
        return;
    if (!((x1 > x0 && y1 > y0) || (x1 < x0 && y1 < y0))) return;

    FillUprightQuad(*R.quadTexture, UprightQuad{x0, y0, x1, y1, t.left, t.top, t.right, t.bottom}, c, false);
    ++R.shapes;
}

// A quad turned about its origin by `rotation` degrees.
void DrawTurnedQuad(Rectangle dest, Vector2 origin, float rotation, TexCoords t, Color c)
{
    const float radians = rotation * (3.14159265358979323846f / 180.0f);
    const float s = std::sin(radians);
    const float co = std::cos(radians);
    const float x = dest.x;
    const float y = dest.y;
    const float dx = -origin.x;
    const float dy = -origin.y;
    const Vector2 topLeft{x + dx * co - dy * s, y + dx * s + dy * co};
    const Vector2 topRight{x + (dx + dest.width) * co - dy * s, y + (dx + dest.width) * s + dy * co};
    const Vector2 bottomLeft{x + dx * co - (dy + dest.height) * s, y + dx * s + (dy + dest.height) * co};
    const Vector2 bottomRight{x + (dx + dest.width) * co - (dy + dest.height) * s,
                              y + (dx + dest.width) * s + (dy + dest.height) * co};

    // A corner not finite or absurdly far drops the quad, and so does a
    // quad wholly outside the frame.
    const Vector2 corners[4] = {topLeft, bottomLeft, bottomRight, topRight};
    float minX = topLeft.x, maxX = topLeft.x, minY = topLeft.y, maxY = topLeft.y;
    for (const Vector2& v : corners) {
        if (!InDrawableRange(v.x) || !InDrawableRange(v.y)) return;
        minX = std::min(minX, v.x), maxX = std::max(maxX, v.x), minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
    }
    if (!(maxX > 0.0f && minX < static_cast<float>(R.width) && maxY > 0.0f && minY < static_cast<float>(R.height)))
        return;
    // Like triangles, a quad shows only its front: corners running
    // counter-clockwise on the screen.
    const double cross =
        (static_cast<double>(bottomLeft.x) - topLeft.x) * (static_cast<double>(bottomRight.y) - topLeft.y) -
        (static_cast<double>(bottomLeft.y) - topLeft.y) * (static_cast<double>(bottomRight.x) - topLeft.x);
    if (!(cross < 0.0)) return;
    FillTurnedQuad(*R.quadTexture, corners, t, c);
}

// A triangle's corner on the fill's grid: whole pixels (truncated toward
// zero) counted in halves, so that pixel centres fall on odd numbers.
struct GridPoint {
    int64_t x, y;
};

GridPoint OnGrid(Vector2 v)
{
    return GridPoint{int64_t{static_cast<int>(v.x)} * 2, int64_t{static_cast<int>(v.y)} * 2};
}

// Twice the signed area of a, b, c: which side of the edge a-b the point c lies on.
int64_t EdgeSide(GridPoint a, GridPoint b, int64_t cx, int64_t cy)
{
    return (b.x - a.x) * (cy - a.y) - (b.y - a.y) * (cx - a.x);
}

// Whether the edge a-b is a top or a left one of a triangle running clockwise
// (`clockwise`) or not: pixel centres on such edges are filled, those on the
// others left to the neighbouring triangle.
bool TopOrLeft(GridPoint a, GridPoint b, bool clockwise)
{
    if (!clockwise) std::swap(a, b);
    return (a.y == b.y && a.x < b.x) || b.y < a.y;
}

// Fills a triangle of one colour: each pixel whose centre lies inside, with
// the corners first snapped to whole pixels: the spinner's shape at every
// angle depends on that snapping.
void FillTriangle(Vector2 v0, Vector2 v1, Vector2 v2, Color color)
{
    const GridPoint d0 = OnGrid(v0), d1 = OnGrid(v1), d2 = OnGrid(v2);
    const int64_t area = EdgeSide(d0, d1, d2.x, d2.y);
    if (area == 0) return;
    const bool clockwise = area > 0;
    const int64_t minX = std::min({d0.x, d1.x, d2.x}) / 2, maxX = std::max({d0.x, d1.x, d2.x}) / 2;
    const int64_t minY = std::min({d0.y, d1.y, d2.y}) / 2, maxY = std::max({d0.y, d1.y, d2.y}) / 2;
    const int64_t x0 = std::max<int64_t>(minX, 0), x1 = std::min<int64_t>(maxX, R.width);
    const int64_t y0 = std::max<int64_t>(minY, 0), y1 = std::min<int64_t>(maxY, R.height);
    const int64_t sign = clockwise ? 1 : -1;
    const int64_t bias0 = TopOrLeft(d1, d2, clockwise) ? 0 : -1, bias1 = TopOrLeft(d2, d0, clockwise) ? 0 : -1,
                  bias2 = TopOrLeft(d0, d1, clockwise) ? 0 : -1;
    const uint32_t packed = PackColor(color);
    for (int64_t y = y0; y < y1; ++y) {
        uint32_t* row = R.frame + y * R.width;
        for (int64_t x = x0; x < x1; ++x) {
            const int64_t cx = 2 * x + 1, cy = 2 * y + 1;
            if (sign * EdgeSide(d1, d2, cx, cy) + bias0 >= 0 && sign * EdgeSide(d2, d0, cx, cy) + bias1 >= 0 &&
                sign * EdgeSide(d0, d1, cx, cy) + bias2 >= 0)
                row[x] = color.a == 255 ? packed : BlendTexel(0xFFFFFFFFu, color, row[x]);
        }
    }
}

}  // namespace

namespace render {

// Where a source rectangle lies in the quads' texture. A negative width
// mirrors the picture left to right; a negative height mirrors it top to bottom.
bool UseQuadTexture(unsigned int id)
{
    if (id == 0) return false;
    if (id != R.quadTextureId) {
        const LoadedTexture* t = FindTexture(id);
        if (!t) return false;
        R.quadTextureId = t->id;
        R.quadTexture = t;
        R.quadTextureWidth = static_cast<float>(t->width);
        R.quadTextureHeight = static_cast<float>(t->height);
        R.lastSource = Rectangle{NAN, NAN, NAN, NAN};
    }
    return true;
}

TexCoords SourceCoords(Rectangle source)
{
    const bool flipX = source.width < 0;
    if (flipX) source.width *= -1;
    if (source.height < 0) source.y -= source.height;
    const float left = source.x / R.quadTextureWidth;
    const float right = (source.x + source.width) / R.quadTextureWidth;
    return TexCoords{flipX ? right : left, flipX ? left : right, source.y / R.quadTextureHeight,
                     (source.y + source.height) / R.quadTextureHeight};
}

}  // namespace render

void ClearBackground(Color color)
{
    if (!R.frame) return;
    FlushPendingRow();
    // One row filled, then copied down: a pixel at a time would not be
    // vectorised, and would cost a third of a millisecond a frame.
    uint32_t* first = R.frame;
    std::fill(first, first + R.width, PackColor(color));
    for (int y = 1; y < R.height; ++y) std::memcpy(first + static_cast<ptrdiff_t>(y) * R.width, first, R.width * 4u);
}

void render::DrawQuadNow(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation,
                         Color tint)
{
    if (!R.frame || !UseQuadTexture(texture.id)) return;
    ++R.quadsAlone;
    if (rotation == 0.0f && R.fastFill && DrawDirectQuad(source, dest, origin, tint)) return;
    const TexCoords coords = SourceCoords(source);
    if (rotation == 0.0f) {
        DrawUnturnedQuad(dest, origin, coords, tint);
    } else {
        DrawTurnedQuad(dest, origin, rotation, coords, tint);
    }
}

namespace {

// Whether a quad may be held back in a row: small, unturned, from its top-left.
bool HeldBack(Texture2D texture, Rectangle dest, Vector2 origin, float rotation)
{
    return R.fastFill && texture.id != 0 && rotation == 0.0f && origin.x == 0.0f && origin.y == 0.0f &&
           dest.width > 0.0f && dest.height > 0.0f && dest.width <= SMALL_QUAD && dest.height <= SMALL_QUAD;
}

#ifndef __wasm_simd128__
bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
#endif

// Whether it goes on along the row held back: the same texture, source, top
// and size, bit for bit.
bool JoinsRow(const PendingRow& row, Texture2D texture, Rectangle source, Rectangle dest)
{
    if (!(row.count > 0 && row.count < MAX_PENDING_QUADS)) return false;
    const RowKey& k = row.key;
#ifdef __wasm_simd128__
    // Two vector compares in place of eight: zoomed out, every tile asks.
    const v128_t head = wasm_i32x4_make(static_cast<int32_t>(texture.id), std::bit_cast<int32_t>(dest.y),
                                        std::bit_cast<int32_t>(dest.width), std::bit_cast<int32_t>(dest.height));
    const v128_t tail = wasm_f32x4_make(source.x, source.y, source.width, source.height);
    return wasm_i32x4_all_true(
        wasm_v128_and(wasm_i32x4_eq(head, wasm_v128_load(&k)), wasm_i32x4_eq(tail, wasm_v128_load(&k.source))));
#else
    return k.textureId == texture.id && SameBits(k.top, dest.y) && SameBits(k.width, dest.width) &&
           SameBits(k.height, dest.height) && SameBits(k.source.x, source.x) && SameBits(k.source.y, source.y) &&
           SameBits(k.source.width, source.width) && SameBits(k.source.height, source.height);
#endif
}

// A quad that does not go on along the row held back: that row is drawn, and
// the quad starts the next or, if it may not be held back, is drawn at once;
// false then. Its own function, the quad's rectangle handed over as numbers:
// in WebAssembly a record argument goes through memory, which the tiles'
// loop would otherwise fill for every tile.
[[gnu::noinline]] bool StartRow(Texture2D texture, Rectangle source, float x, float y, float width, float height,
                                Vector2 origin, float rotation, Color tint)
{
    render::FlushPendingRow();
    const Rectangle dest{x, y, width, height};
    if (!HeldBack(texture, dest, origin, rotation)) {
        DrawQuadNow(texture, source, dest, origin, rotation, tint);
        return false;
    }
    PendingRow& row = R.pending;
    row.texture = texture;
    row.key = RowKey{texture.id, y, width, height, source};
    return true;
}

}  // namespace

void render::FlushPendingRow()
{
    PendingRow& row = R.pending;
    if (row.count == 0) return;
    const int count = row.count;
    row.count = 0;
    DrawQuadRow(row.texture, row.key.source, row.lefts.data(), row.key.top, row.key.width, row.key.height,
                row.tints.data(), count);
}

// Small quads along a row (the tiles of a view) are held back and drawn
// together as a row, for what writing their pixels costs.
void DrawTexturePro(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation, Color tint)
{
    if (!R.frame) return;
    PendingRow& row = R.pending;
    if (!JoinsRow(row, texture, source, dest) &&
        !StartRow(texture, source, dest.x, dest.y, dest.width, dest.height, origin, rotation, tint))
        return;
    row.lefts[static_cast<size_t>(row.count)] = dest.x;
    row.tints[static_cast<size_t>(row.count)] = tint;
    ++row.count;
}

void DrawRectangle(int posX, int posY, int width, int height, Color color)
{
    if (!R.frame || width <= 0 || height <= 0) return;
    FlushPendingRow();
    // Clip in wide integers so huge sizes neither overflow nor reach the renderer.
    const long long x0 = std::max<long long>(posX, 0);
    const long long y0 = std::max<long long>(posY, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(posX) + width, R.width);
    const long long y1 = std::min<long long>(static_cast<long long>(posY) + height, R.height);
    if (x0 >= x1 || y0 >= y1) return;
    const uint32_t packed = PackColor(color);
    for (long long y = y0; y < y1; ++y) {
        uint32_t* row = R.frame + y * R.width;
        if (color.a == 255) {
            std::fill(row + x0, row + x1, packed);
        } else {
            for (long long x = x0; x < x1; ++x) row[x] = BlendTexel(0xFFFFFFFFu, color, row[x]);
        }
    }
}

void DrawTriangle(Vector2 v1, Vector2 v2, Vector2 v3, Color color)
{
    if (!R.frame) return;
    FlushPendingRow();
    const float xs[3] = {v1.x, v2.x, v3.x};
    const float ys[3] = {v1.y, v2.y, v3.y};
    for (int i = 0; i < 3; ++i)
        if (!InDrawableRange(xs[i]) || !InDrawableRange(ys[i])) return;  // also rejects NaN
    // Only counter-clockwise triangles, as seen on the y-down screen, are
    // filled; that is a negative cross product in frame coordinates.
    const double cross = (static_cast<double>(v2.x) - v1.x) * (static_cast<double>(v3.y) - v1.y) -
                         (static_cast<double>(v2.y) - v1.y) * (static_cast<double>(v3.x) - v1.x);
    if (!(cross < 0.0)) return;
    FillTriangle(v1, v2, v3, color);
    ++R.shapes;
}
