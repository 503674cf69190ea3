// Drawing: the batch of textured quads (filled straight into the frame in
// memory by fill.cpp where it can), rectangles and triangles.
#include "platform/platform.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "platform/fill.h"
#include "platform/layer.h"

using namespace layer;

namespace {

const LoadedTexture* FindTexture(unsigned int id)
{
    for (const LoadedTexture& t : L.textures)
        if (t.id == id) return &t;
    return nullptr;
}

// Fills the batch's unturned quads into the software frame, one by one,
// tinting every pixel afresh: the plain path the fast one is checked against.
void FillUprightQuads(const LoadedTexture& tex)
{
    SDL_RenderFlush(L.renderer);  // whatever SDL still holds lies underneath
    for (size_t q = 0; q < L.batchQuads; ++q) {
        const SDL_Vertex* v = &L.vertices[q * 4];  // top-left, bottom-left, bottom-right, top-right
        const UprightQuad quad{v[0].position.x,  v[0].position.y,  v[3].position.x,  v[1].position.y,
                               v[0].tex_coord.x, v[0].tex_coord.y, v[3].tex_coord.x, v[1].tex_coord.y};
        FillUprightQuad(tex, quad, v[0].color, false);
    }
}

bool InDrawableRange(float v) { return v >= -MAX_COORDINATE && v <= MAX_COORDINATE; }

// Adds a quad's corners, counter-clockwise from its top-left, to the batch.
void AppendQuad(Vector2 topLeft, Vector2 bottomLeft, Vector2 bottomRight, Vector2 topRight, TexCoords t, SDL_Color c,
                bool upright)
{
    if (L.batchQuads > 0 && L.batchFilled) FlushBatch();
    if (L.batchQuads == BATCH_QUADS) FlushBatch();
    if (!upright) L.batchUpright = false;
    SDL_Vertex* v = &L.vertices[L.batchQuads * 4];
    v[0] = SDL_Vertex{{topLeft.x, topLeft.y}, c, {t.left, t.top}};
    v[1] = SDL_Vertex{{bottomLeft.x, bottomLeft.y}, c, {t.left, t.bottom}};
    v[2] = SDL_Vertex{{bottomRight.x, bottomRight.y}, c, {t.right, t.bottom}};
    v[3] = SDL_Vertex{{topRight.x, topRight.y}, c, {t.right, t.top}};
    ++L.batchQuads;
}

// Any unturned quad: the ones DrawDirectQuad leaves (mirrored, broken, or
// for a graphics card's renderer or the plain path). Dropped when it lies off
// the window, is broken (a corner not finite or absurdly far) or faces away (a
// negative width or height, but not both); otherwise filled into the software
// frame at once or batched.
void DrawUnturnedQuad(Rectangle dest, Vector2 origin, TexCoords t, SDL_Color c)
{
    const float x0 = dest.x - origin.x, y0 = dest.y - origin.y;
    const float x1 = x0 + dest.width, y1 = y0 + dest.height;
    if (!(InDrawableRange(x0) && InDrawableRange(x1) && InDrawableRange(y0) && InDrawableRange(y1))) return;
    if (!(std::max(x0, x1) > 0.0f && std::min(x0, x1) < static_cast<float>(L.width) && std::max(y0, y1) > 0.0f &&
          std::min(y0, y1) < static_cast<float>(L.height)))
        return;
    if (!((x1 > x0 && y1 > y0) || (x1 < x0 && y1 < y0))) return;

    if (!L.batchDirect) {
        AppendQuad(Vector2{x0, y0}, Vector2{x0, y1}, Vector2{x1, y1}, Vector2{x1, y0}, t, c, true);
        return;
    }
    BeginDirectQuad();
    FillUprightQuad(*L.batchDirect, UprightQuad{x0, y0, x1, y1, t.left, t.top, t.right, t.bottom}, c, true);
    EndDirectQuad();
}

// A quad turned about its origin by `rotation` degrees: always batched.
void DrawTurnedQuad(Rectangle dest, Vector2 origin, float rotation, TexCoords t, SDL_Color c)
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
    // counter-clockwise on the screen.
    const double cross =
        (static_cast<double>(bottomLeft.x) - topLeft.x) * (static_cast<double>(bottomRight.y) - topLeft.y) -
        (static_cast<double>(bottomLeft.y) - topLeft.y) * (static_cast<double>(bottomRight.x) - topLeft.x);
    if (!(cross < 0.0)) return;
    const bool upright = topLeft.y == topRight.y && bottomLeft.y == bottomRight.y && topLeft.x == bottomLeft.x &&
                         topRight.x == bottomRight.x;
    AppendQuad(topLeft, bottomLeft, bottomRight, topRight, t, c, upright);
}

}  // namespace

namespace layer {

// Where a source rectangle lies in the batch's texture. A negative width
// mirrors the picture left to right; a negative height mirrors it top to bottom.
TexCoords SourceCoords(Rectangle source)
{
    bool flipX = false;
    if (source.width < 0) {
        flipX = true;
        source.width *= -1;
    }
    if (source.height < 0) source.y -= source.height;
    const float left = source.x / L.batchTextureWidth;
    const float right = (source.x + source.width) / L.batchTextureWidth;
    return TexCoords{flipX ? right : left, flipX ? left : right, source.y / L.batchTextureHeight,
                     (source.y + source.height) / L.batchTextureHeight};
}

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
    if (L.batchFilled) {
        // Drawn already, as the quads came.
    } else if (tex && !tex->pixels.empty()) {
        FillUprightQuads(*tex);
    } else {
        SDL_RenderGeometry(L.renderer, L.batchTexture, L.vertices.data(), static_cast<int>(L.batchQuads * 4),
                           L.indices.data(), static_cast<int>(L.batchQuads * 6));
    }
    ++L.submissions;
    L.batchQuads = 0;
    L.batchUpright = true;
    L.batchFilled = false;
}

void SetDirectFill(bool on)
{
    FlushBatch();
    L.fastFill = on;
    L.batchId = 0;  // the next quad looks its texture up afresh
    L.batchTexture = nullptr;
    L.batchDirect = nullptr;
}

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
        L.batchDirect = L.software && L.fastFill && !t->pixels.empty() ? t : nullptr;
        L.lastSource = Rectangle{NAN, NAN, NAN, NAN};
    }
    if (rotation == 0.0f && L.batchDirect && DrawDirectQuad(source, dest, origin, ToSdl(tint))) return;
    const TexCoords coords = SourceCoords(source);
    if (rotation == 0.0f) {
        DrawUnturnedQuad(dest, origin, coords, ToSdl(tint));
    } else {
        DrawTurnedQuad(dest, origin, rotation, coords, ToSdl(tint));
    }
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
