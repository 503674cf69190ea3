// The renderer's private half: its one state record, which its parts share,
// and the helpers more than one part calls. The renderer owns the frame, an
// array of pixels in memory that every drawing call fills itself; the
// platform hands it finished to the backend, which owns the window. A
// screenshot taken between frames reads exactly what the player saw.
#pragma once

#include <stb/stb_truetype.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "render/render.h"

namespace render {

// A texture the renderer owns, found by the id the game holds.
struct LoadedTexture {
    unsigned int id;               // the id handed out in Texture2D; never 0, never reused
    int width;                     // pixels
    int height;                    // pixels
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row from the top
    bool opaque;                   // every texel has full alpha
    // Tinted copies of a small opaque texture (fill.cpp): TINT_SLOTS copies of
    // `pixels`, slot by tint, so that a quad in a tint met before costs a copy
    // per pixel instead of three multiplications. Empty for other textures.
    std::vector<uint32_t> tinted;
    std::vector<uint32_t> tintOfSlot;  // the packed tint each slot holds; 0 for an empty slot
};

// Tinted copies kept per texture, and the largest texture (in texels) they are kept for.
constexpr size_t TINT_SLOTS = 256;
constexpr int MAX_TINTED_TEXELS = 32 * 32;

// A caption rasterized once and drawn again while it stays in the cache.
struct CachedText {
    std::string text;               // the UTF-8 text as the game passed it
    int size;                       // font size, pixels high
    int width;                      // pixels
    int height;                     // pixels
    std::vector<uint8_t> coverage;  // how much of each pixel the letters cover, 0 to 255, row by row
    uint64_t lastUse;               // useClock at the last draw; the smallest is dropped first
};

enum class FontState { NotLooked, Ready, Missing };

// Texture coordinates (0 to 1) of a quad's left, right, top and bottom edges.
struct TexCoords {
    float left, right, top, bottom;
};

// How an unturned quad covers one axis of the frame, for the fill
// (fill.cpp): the whole pixels whose centres it holds, and the texture under them.
struct AxisSpan {
    float e0, e1;    // the quad's first and second edge, frame pixels
    float t0, t1;    // the texture coordinates (0 to 1) at those edges
    int first;       // first pixel covered, clipped to the frame
    int end;         // one past the last pixel covered, clipped to the frame
    double step;     // texture coordinate per pixel
    int firstTexel;  // index of the texel under the first pixel's centre
};

// How a row of small quads (tile_rows.cpp) draws each of its quads across.
enum class RowQuadKind : uint8_t {
    Off,      // wholly left or right of the frame: nothing drawn, nothing counted
    Small,    // drawn the small way, over the frame columns first..end
    General,  // broken or out of range: handed to DrawTexturePro as it is
};
struct RowQuad {
    RowQuadKind kind;
    bool likeBefore;  // the quad before is small too, over the same texel columns
    bool contiguous;  // its texel columns run one by one, a texel to a pixel
    int first, end;   // the frame columns it covers, clipped
    int texels;       // where its texel columns start in RowColumns::texels
};
// Where the quads of a row of small quads fall across, kept while the rows
// after it repeat its lefts, as every row of tiles in a view does.
struct RowColumns {
    std::vector<float> lefts;  // the lefts worked out for
    float width = 0.0f;        // the quads' width, pixels
    float left = 0.0f;         // the texture coordinates across each quad
    float right = 0.0f;
    int textureWidth = 0;        // texels
    int frameWidth = 0;          // pixels
    std::vector<RowQuad> quads;  // one per left
    std::vector<int> texels;     // the texel column under each pixel covered, quad by quad
    // Where every quad is a single pixel or off the frame (a view zoomed all
    // the way out): each quad's frame column, -1 for none, and the texel
    // column under it; empty otherwise.
    std::vector<int> pixels;
    std::vector<int> pixelTexels;
};

// Small unturned quads drawn one after another along one row, in one texture
// and source (a row of tiles), held back to be drawn together as a row
// (tile_rows.cpp): every call that draws otherwise, or reads the frame,
// draws them first, so the pixels are those of the quads drawn one by one.
struct alignas(16) RowKey {
    unsigned int textureId;  // the texture the quads show
    float top;               // their top edge, frame pixels
    float width;             // each quad's size, pixels
    float height;
    Rectangle source;  // the part of the texture each shows, texture pixels
};
// The widest and tallest quad drawn a row at a time, pixels: every zoom of the
// game; a larger one is drawn on its own.
constexpr float SMALL_QUAD = 64.0f;
// The most quads a row holds back; a longer run is drawn in pieces.
constexpr int MAX_PENDING_QUADS = 1024;
struct PendingRow {
    int count = 0;                                 // quads held; 0 for none
    RowKey key{};                                  // what they share
    Texture2D texture{};                           // their texture
    std::array<float, MAX_PENDING_QUADS> lefts{};  // each quad's left edge, in drawing order
    std::array<Color, MAX_PENDING_QUADS> tints{};  // each quad's tint
};

// Everything the renderer holds from CreateFrame to DestroyFrame.
struct Canvas {
    int width = 0;                     // frame width, pixels; 0 with no frame
    int height = 0;                    // frame height, pixels
    std::vector<uint32_t> frameStore;  // the frame's memory, a page larger than the frame
    uint32_t* frame = nullptr;         // the frame being drawn (or the last one shown), 0xAARRGGBB row by row

    std::list<LoadedTexture> textures;  // every texture loaded and not yet unloaded

    // What the quads drawn lately share, so that a frame of tiles works it out once.
    unsigned int quadTextureId = 0;              // id of the texture the last quad used; 0 for none
    const LoadedTexture* quadTexture = nullptr;  // that texture
    float quadTextureWidth = 0.0f;               // pixels, to turn source rectangles into texture coordinates
    float quadTextureHeight = 0.0f;              // pixels
    Rectangle lastSource{NAN, NAN, NAN, NAN};    // source rectangle of the last quad drawn the fast way
    TexCoords lastCoords{};                      // its texture coordinates
    bool fastFill = true;               // unturned quads take from the quads before (off: each afresh, for tests)
    AxisSpan lastRows{};                // the rows of the last quad the fill drew
    int lastRowsSize = 0;               // the height of its texture, texels
    uint32_t* lastRowPixels = nullptr;  // where the first of those rows starts in the frame
    uint32_t lastTexel = 0;             // the last texel tinted for a pixel-sized quad
    uint32_t lastTint = 0;              // the opaque tint it was tinted with, packed; 0 for none yet
    uint32_t lastTinted = 0;            // the result
    std::vector<int> texelColumns;      // scratch for the fill, one entry per frame column
    RowColumns rowColumns;              // the columns of the last row of small quads drawn
    PendingRow pending;                 // small quads held back to be drawn as a row

    uint64_t shapes = 0;      // quads and triangles drawn into the frame since InitWindow
    uint64_t quadsAlone = 0;  // quads handed to the general fill one by one since InitWindow

    FontState fontState = FontState::NotLooked;  // whether the font was looked for, and found
    std::vector<unsigned char> fontData;         // the font file, which the rasterizer reads in place
    stbtt_fontinfo font{};                       // the rasterizer's view of it, while Ready
    std::vector<CachedText> texts;               // rasterized captions, at most a few dozen
    uint64_t useClock = 0;                       // ticks once per cache use: the cache's notion of recency
};

extern Canvas R;

// The program's folder, where data files are also looked for (SetProgramFolder).
extern std::string gProgramFolder;

// Positions beyond this are far outside any frame; keeping them out keeps the
// fill's float-to-int conversions in range.
constexpr float MAX_COORDINATE = 16777216.0f;

// The four bytes of a colour as one frame pixel, 0xAARRGGBB.
inline uint32_t PackColor(Color c)
{
    return (uint32_t{c.a} << 24) | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | uint32_t{c.b};
}
// One texel times the tint, laid over one frame pixel with alpha (fill.cpp);
// a white texel under a tint gives exactly the tint.
uint32_t BlendTexel(uint32_t texel, Color tint, uint32_t dst);
// ---- The fill's arithmetic, shared by the fill and the rows of small quads ----

// Index of the texel that a pixel centre at texture coordinate t falls on,
// kept on the texture like a clamped sampler; NaN gives texel 0.
inline int TexelIndex(double t, int size)
{
    const double i = t * size;
    if (!(i >= 0.0)) return 0;
    return i < size ? static_cast<int>(i) : size - 1;  // truncation is floor here
}

// First whole pixel whose centre is at or right of (below) an edge; the
// edge is within the drawable range, so the conversion cannot overflow.
inline int FirstPixelFrom(double edge)
{
    const double c = edge - 0.5;
    const int i = static_cast<int>(c);
    return i < c ? i + 1 : i;
}

// BlendTexel for an opaque texel under an opaque tint: the tinted texel alone.
inline uint32_t TintOpaqueTexel(uint32_t texel, Color tint)
{
    const uint32_t r = ((texel >> 16) & 0xFF) * tint.r / 255;
    const uint32_t g = ((texel >> 8) & 0xFF) * tint.g / 255;
    const uint32_t b = (texel & 0xFF) * tint.b / 255;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Index of the texel under the centre of pixel p, where the texture
// coordinate is t0 at edge e0 and grows by `step` per pixel.
inline int TexelAt(double e0, double t0, double step, int p, int size)
{
    return TexelIndex(t0 + (p + 0.5 - e0) * step, size);
}
inline int TexelAt(const AxisSpan& s, int p, int size) { return TexelAt(s.e0, s.t0, s.step, p, size); }

// How a quad covers one axis of the frame: from its edge e0 (texture
// coordinate t0) to e1 (t1), inside 0..limit pixels, on a texture `size`
// texels along that axis.
inline AxisSpan SpanOf(float e0, float e1, float t0, float t1, int limit, int size)
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

// The texture's texels under an opaque tint, from its tinted copies: made on
// the first quad in that tint, reused by every later one until another tint
// takes the slot. Null when the texture keeps no copies (fill.cpp).
const uint32_t* TintedTexels(const LoadedTexture& tex, Color tint);

// Where an unturned quad lies, in frame pixels, and which part of its
// texture it shows, in texture coordinates (0 to 1).
struct UprightQuad {
    float x0, y0, x1, y1;  // the corners drawn first (top-left) and third (bottom-right)
    float u0, v0, u1, v1;  // the texture coordinates at those corners
};

// The fill (fill.cpp) draws textured quads straight into the frame: a pixel
// wherever the quad holds the pixel's centre, showing the texel under it.
// Fills one unturned quad (any corner order). With `cached` it takes what it
// can from the quads before; the pixels are the same either way.
void FillUprightQuad(const LoadedTexture& tex, const UprightQuad& q, Color tint, bool cached);
// The tiles' case, on the fast path: an unturned quad of positive size well
// inside the drawable range, drawn from the quads' texture (R.quadTexture),
// its texture coordinates kept from the last quad when the source is the
// same. Returns false, having done nothing, for any other quad.
bool DrawDirectQuad(Rectangle source, Rectangle dest, Vector2 origin, Color tint);
// Fills a turned quad given by its finite corners, counter-clockwise on the
// screen from the one showing the texture's top-left.
void FillTurnedQuad(const LoadedTexture& tex, const Vector2 corners[4], TexCoords t, Color tint);
// Sets up the tinted copies of a texture just made, when it is small and opaque.
void PrepareTinting(LoadedTexture* texture);
// Makes the texture with this id the quads' texture (R.quadTexture); false
// when there is no such texture (draw.cpp).
bool UseQuadTexture(unsigned int id);
// Draws the quads held back (PendingRow), if any; every drawing call that
// is not a quad joining them, and every read of the frame, calls it first.
void FlushPendingRow();
// Draws a row of `count` quads showing the same source part of a texture, in
// order, each as DrawQuadNow draws it unturned from the origin 0,0: quad i at
// lefts[i] across and `top` down, `width` by `height` pixels, multiplied by
// tints[i] (tile_rows.cpp). The same pixels as those quads one by one; small
// quads cost about their pixels, since what they share is worked out once per
// row, and where they fall across once while the rows repeat it.
void DrawQuadRow(Texture2D texture, Rectangle source, const float* lefts, float top, float width, float height,
                 const Color* tints, int count);
// DrawTexturePro for one quad, drawn at once (draw.cpp).
void DrawQuadNow(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation, Color tint);
// Where a source rectangle lies in the texture of the quads (draw.cpp).
TexCoords SourceCoords(Rectangle source);
// Whether stb_image was refused a buffer larger than the largest tile image
// needs since the last call (stb.cpp).
bool TakeDecodeRefusal();
}  // namespace render
