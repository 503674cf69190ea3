// Drawing: the batch of textured quads, the software fill that draws
// unturned quads straight into the frame, rectangles and triangles.
#include "platform/platform.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "platform/layer.h"

using namespace layer;

namespace {

// Quads of one texture gather here until something else is drawn. The buffer
// is allocated once with the window, so frames allocate nothing; a frame that
// draws more (zoomed far out) is split into a few submissions.
constexpr size_t BATCH_QUADS = size_t{1} << 14;

// Positions beyond this are far outside any window; keeping them out of the
// renderer keeps its float-to-int conversions in range.
constexpr float MAX_COORDINATE = 16777216.0f;

const LoadedTexture* FindTexture(unsigned int id)
{
    for (const LoadedTexture& t : L.textures)
        if (t.id == id) return &t;
    return nullptr;
}

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

// Fills the batch's unturned quads straight into the software frame. A pixel
// belongs to a quad when its centre lies inside, left and top edges included,
// and shows the texel under that centre: the rule a graphics card follows, so
// both kinds of renderer give the same picture.
void FillUprightQuads(const LoadedTexture& tex)
{
    SDL_RenderFlush(L.renderer);  // whatever SDL still holds lies underneath
    SDL_Surface* frame = L.frameSurface;
    Uint32* frameRows = static_cast<Uint32*>(frame->pixels);
    const int stride = frame->pitch / static_cast<int>(sizeof(Uint32));
    int* columns = L.texelColumns.data();
    for (size_t q = 0; q < L.batchQuads; ++q) {
        const SDL_Vertex* v = &L.vertices[q * 4];  // top-left, bottom-left, bottom-right, top-right
        const double x0 = v[0].position.x, x1 = v[3].position.x;
        const double y0 = v[0].position.y, y1 = v[1].position.y;
        const int px0 = std::max(0, FirstPixelFrom(std::min(x0, x1)));
        const int px1 = std::min(L.width, FirstPixelFrom(std::max(x0, x1)));
        const int py0 = std::max(0, FirstPixelFrom(std::min(y0, y1)));
        const int py1 = std::min(L.height, FirstPixelFrom(std::max(y0, y1)));
        if (px0 >= px1 || py0 >= py1) continue;
        const double u0 = v[0].tex_coord.x, du = (v[3].tex_coord.x - u0) / (x1 - x0);
        const double t0 = v[0].tex_coord.y, dt = (v[1].tex_coord.y - t0) / (y1 - y0);
        for (int px = px0; px < px1; ++px) columns[px - px0] = TexelIndex(u0 + (px + 0.5 - x0) * du, tex.width);
        const SDL_Color tint = v[0].color;
        const bool opaque = tex.opaque && tint.a == 255;  // the common case: no blending at all
        for (int py = py0; py < py1; ++py) {
            const Uint32* texels = &tex.pixels[static_cast<size_t>(TexelIndex(t0 + (py + 0.5 - y0) * dt, tex.height)) *
                                               static_cast<size_t>(tex.width)];
            Uint32* out = frameRows + static_cast<ptrdiff_t>(py) * stride + px0;
            if (opaque) {
                for (int i = 0; i < px1 - px0; ++i) out[i] = TintOpaqueTexel(texels[columns[i]], tint);
            } else {
                for (int i = 0; i < px1 - px0; ++i) out[i] = BlendTexel(texels[columns[i]], tint, out[i]);
            }
        }
    }
}

bool InDrawableRange(float v) { return v >= -MAX_COORDINATE && v <= MAX_COORDINATE; }

}  // namespace

namespace layer {

void AllocateBatch()
{
    L.vertices.assign(BATCH_QUADS * 4, SDL_Vertex{});
    L.indices.assign(BATCH_QUADS * 6, 0);
    // Two triangles per quad sharing the diagonal from its first to its third corner.
    for (size_t q = 0; q < BATCH_QUADS; ++q) {
        const int v = static_cast<int>(q * 4);
        int* i = &L.indices[q * 6];
        i[0] = v;
        i[1] = v + 1;
        i[2] = v + 2;
        i[3] = v + 2;
        i[4] = v + 3;
        i[5] = v;
    }
}

void FlushBatch()
{
    if (L.batchQuads == 0) return;
    const LoadedTexture* tex = L.software && L.batchUpright ? FindTexture(L.batchId) : nullptr;
    if (tex && !tex->pixels.empty()) {
        FillUprightQuads(*tex);
    } else {
        SDL_RenderGeometry(L.renderer, L.batchTexture, L.vertices.data(), static_cast<int>(L.batchQuads * 4),
                           L.indices.data(), static_cast<int>(L.batchQuads * 6));
    }
    ++L.submissions;
    L.batchQuads = 0;
    L.batchUpright = true;
}

SDL_Color ToSdl(Color c) { return SDL_Color{c.r, c.g, c.b, c.a}; }

}  // namespace layer

void ClearBackground(Color color)
{
    if (!L.open) return;
    FlushBatch();
    SDL_SetRenderDrawColor(L.renderer, color.r, color.g, color.b, color.a);
    SDL_RenderClear(L.renderer);
}

void DrawTexturePro(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation, Color tint)
{
    if (!L.open || texture.id == 0) return;
    if (texture.id != L.batchId) {
        const LoadedTexture* t = FindTexture(texture.id);
        if (!t) return;
        FlushBatch();
        L.batchId = t->id;
        L.batchTexture = t->texture;
        L.batchTextureWidth = static_cast<float>(t->width);
        L.batchTextureHeight = static_cast<float>(t->height);
    }

    // A negative source width mirrors the picture left to right; a negative
    // height mirrors it top to bottom.
    bool flipX = false;
    if (source.width < 0) {
        flipX = true;
        source.width *= -1;
    }
    if (source.height < 0) source.y -= source.height;

    Vector2 topLeft, topRight, bottomLeft, bottomRight;
    if (rotation == 0.0f) {
        const float x = dest.x - origin.x;
        const float y = dest.y - origin.y;
        topLeft = Vector2{x, y};
        topRight = Vector2{x + dest.width, y};
        bottomLeft = Vector2{x, y + dest.height};
        bottomRight = Vector2{x + dest.width, y + dest.height};
    } else {
        const float radians = rotation * (3.14159265358979323846f / 180.0f);
        const float s = std::sin(radians);
        const float c = std::cos(radians);
        const float x = dest.x;
        const float y = dest.y;
        const float dx = -origin.x;
        const float dy = -origin.y;
        topLeft = Vector2{x + dx * c - dy * s, y + dx * s + dy * c};
        topRight = Vector2{x + (dx + dest.width) * c - dy * s, y + (dx + dest.width) * s + dy * c};
        bottomLeft = Vector2{x + dx * c - (dy + dest.height) * s, y + dx * s + (dy + dest.height) * c};
        bottomRight = Vector2{x + (dx + dest.width) * c - (dy + dest.height) * s,
                              y + (dx + dest.width) * s + (dy + dest.height) * c};
    }

    // Quads wholly outside the frame cost nothing; the comparisons are written
    // so that a NaN corner drops the quad too.
    const float minX = std::min(std::min(topLeft.x, topRight.x), std::min(bottomLeft.x, bottomRight.x));
    const float maxX = std::max(std::max(topLeft.x, topRight.x), std::max(bottomLeft.x, bottomRight.x));
    const float minY = std::min(std::min(topLeft.y, topRight.y), std::min(bottomLeft.y, bottomRight.y));
    const float maxY = std::max(std::max(topLeft.y, topRight.y), std::max(bottomLeft.y, bottomRight.y));
    if (!(maxX > 0.0f && minX < static_cast<float>(L.width) && maxY > 0.0f && minY < static_cast<float>(L.height)))
        return;
    if (!(InDrawableRange(minX) && InDrawableRange(maxX) && InDrawableRange(minY) && InDrawableRange(maxY))) return;
    if (!(std::isfinite(topLeft.x) && std::isfinite(topLeft.y) && std::isfinite(topRight.x) &&
          std::isfinite(topRight.y) && std::isfinite(bottomLeft.x) && std::isfinite(bottomLeft.y) &&
          std::isfinite(bottomRight.x) && std::isfinite(bottomRight.y)))
        return;
    // Like triangles, a quad shows only its front: corners running
    // counter-clockwise on the screen. A negative destination width or height
    // turns it away (both together turn it half round, which shows).
    const double cross =
        (static_cast<double>(bottomLeft.x) - topLeft.x) * (static_cast<double>(bottomRight.y) - topLeft.y) -
        (static_cast<double>(bottomLeft.y) - topLeft.y) * (static_cast<double>(bottomRight.x) - topLeft.x);
    if (!(cross < 0.0)) return;

    if (L.batchQuads == BATCH_QUADS) FlushBatch();

    const float w = L.batchTextureWidth;
    const float h = L.batchTextureHeight;
    const float left = source.x / w;
    const float right = (source.x + source.width) / w;
    const float top = source.y / h;
    const float bottom = (source.y + source.height) / h;
    const SDL_Color c = ToSdl(tint);
    if (!(topLeft.y == topRight.y && bottomLeft.y == bottomRight.y && topLeft.x == bottomLeft.x &&
          topRight.x == bottomRight.x))
        L.batchUpright = false;
    SDL_Vertex* v = &L.vertices[L.batchQuads * 4];
    v[0] = SDL_Vertex{{topLeft.x, topLeft.y}, c, {flipX ? right : left, top}};
    v[1] = SDL_Vertex{{bottomLeft.x, bottomLeft.y}, c, {flipX ? right : left, bottom}};
    v[2] = SDL_Vertex{{bottomRight.x, bottomRight.y}, c, {flipX ? left : right, bottom}};
    v[3] = SDL_Vertex{{topRight.x, topRight.y}, c, {flipX ? left : right, top}};
    ++L.batchQuads;
}

void DrawRectangle(int posX, int posY, int width, int height, Color color)
{
    if (!L.open || width <= 0 || height <= 0) return;
    // Clip in wide integers so huge sizes neither overflow nor reach the renderer.
    const long long x0 = std::max<long long>(posX, 0);
    const long long y0 = std::max<long long>(posY, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(posX) + width, L.width);
    const long long y1 = std::min<long long>(static_cast<long long>(posY) + height, L.height);
    if (x0 >= x1 || y0 >= y1) return;
    FlushBatch();
    const SDL_Rect r{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
    SDL_SetRenderDrawColor(L.renderer, color.r, color.g, color.b, color.a);
    SDL_RenderFillRect(L.renderer, &r);
}

void DrawTriangle(Vector2 v1, Vector2 v2, Vector2 v3, Color color)
{
    if (!L.open) return;
    const float xs[3] = {v1.x, v2.x, v3.x};
    const float ys[3] = {v1.y, v2.y, v3.y};
    for (int i = 0; i < 3; ++i)
        if (!InDrawableRange(xs[i]) || !InDrawableRange(ys[i])) return;  // also rejects NaN
    // Only counter-clockwise triangles, as seen on the y-down screen, are
    // filled; that is a negative cross product in window coordinates.
    const double cross = (static_cast<double>(v2.x) - v1.x) * (static_cast<double>(v3.y) - v1.y) -
                         (static_cast<double>(v2.y) - v1.y) * (static_cast<double>(v3.x) - v1.x);
    if (!(cross < 0.0)) return;
    FlushBatch();
    const SDL_Color c = ToSdl(color);
    const SDL_Vertex v[3] = {{{v1.x, v1.y}, c, {0, 0}}, {{v2.x, v2.y}, c, {0, 0}}, {{v3.x, v3.y}, c, {0, 0}}};
    SDL_RenderGeometry(L.renderer, nullptr, v, 3, nullptr, 0);
    ++L.submissions;
}

uint64_t GetDrawSubmissionCount(void) { return L.submissions; }
