// Text: the font the game ships (resources/DejaVuSans.ttf, found as the tiles
// are), rasterized by stb_truetype into coverage maps that are laid over the
// frame in the caption's colour. The same file and the same rasterizer give
// the same pixels in every build. Captions in use are kept for reuse.
#include "render/render.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "render/canvas.h"
#include "render/font_check.h"
#include "render/frame.h"

using namespace render;

namespace {

// Rasterized captions kept for reuse, least recently used dropped first.
constexpr size_t MAX_CACHED_TEXTS = 64;
constexpr int MIN_FONT_SIZE = 10;
constexpr int MAX_FONT_SIZE = 512;
// The longest caption drawn, in bytes; a longer one is cut there.
constexpr size_t MAX_TEXT_BYTES = 1024;
// The widest caption box, pixels; letters past it are not drawn.
constexpr int MAX_TEXT_WIDTH = 8192;
// Where the font is looked for, as the tiles are.
constexpr const char* FONT_FILE = "resources/DejaVuSans.ttf";
// The largest font file read: twenty times the one the game ships, room for
// any font of Latin, Greek and Cyrillic, and bounded, as the whole file is kept.
constexpr long long MAX_FONT_FILE_BYTES = 16LL * 1024 * 1024;

// Looks the font up and checks it, once; warns if it is missing or broken.
// Its own function, called once, as Rasterize is.
[[gnu::noinline]] bool LoadFont()
{
    R.fontState = FontState::Missing;
    const std::string path = FindDataFile(FONT_FILE);
    std::string reason;
    if (ReadWholeFile(path.c_str(), MAX_FONT_FILE_BYTES, "a font", &R.fontData, &reason)) {
        reason = CheckFontFile(R.fontData);
        if (reason.empty()) {
            const int offset = stbtt_GetFontOffsetForIndex(R.fontData.data(), 0);
            if (offset < 0 || !stbtt_InitFont(&R.font, R.fontData.data(), offset)) reason = "not a TrueType font";
        }
    }
    if (!reason.empty()) {
        std::fprintf(stderr, "delve: cannot use the font '%s': %s; text will not be drawn\n", path.c_str(),
                     reason.c_str());
        R.fontData.clear();
        return false;
    }
    R.fontState = FontState::Ready;
    return true;
}

// True when text can be drawn; looks the font up if the window's opening has
// not (a frame made without a window), after which captions are simply not
// drawn if it is missing or broken.
bool FontReady()
{
    if (R.fontState != FontState::NotLooked) return R.fontState == FontState::Ready;
    return LoadFont();
}

// The next character of UTF-8 text; a broken sequence gives U+FFFD and moves on by one byte.
int NextCodepoint(const unsigned char*& p)
{
    const unsigned c = *p++;
    if (c < 0x80) return static_cast<int>(c);
    const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || c >= 0xF8) return 0xFFFD;
    int code = static_cast<int>(c & (0x3F >> extra));
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0xFFFD;
        code = (code << 6) | (p[i] & 0x3F);
    }
    p += extra;
    return code;
}

// The glyph of a character; a glyph the font does not have is drawn as its
// first, the missing-letter box, like a character it has no glyph for.
int GlyphOf(int code)
{
    const int glyph = stbtt_FindGlyphIndex(&R.font, code);
    return glyph >= 0 && glyph < R.font.numGlyphs ? glyph : 0;
}

// Rasterizes a caption: the letters side by side on one baseline, the box as
// high as the font's ascent and descent, as wide as the advances reach (no
// wider than MAX_TEXT_WIDTH: far wider than any frame).
// Its own function, seldom called: the frame's drawing of captions made
// before stays small, which a browser optimises soon after start.
[[gnu::noinline]] void Rasterize(CachedText* t)
{
    const float scale = stbtt_ScaleForMappingEmToPixels(&R.font, static_cast<float>(t->size));
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&R.font, &ascent, &descent, &gap);
    const int baseline = static_cast<int>(std::lround(ascent * scale));
    t->height = baseline - static_cast<int>(std::lround(descent * scale));
    // First the glyphs and the pen's place for each, which give the width.
    std::vector<int> glyphs;
    std::vector<float> pens;
    float pen = 0.0f;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(t->text.c_str()); *p;) {
        const int glyph = GlyphOf(NextCodepoint(p));
        if (!glyphs.empty()) pen += scale * stbtt_GetGlyphKernAdvance(&R.font, glyphs.back(), glyph);
        int advance = 0, bearing = 0;
        stbtt_GetGlyphHMetrics(&R.font, glyph, &advance, &bearing);
        glyphs.push_back(glyph);
        pens.push_back(pen);
        pen += advance * scale;
    }
    t->width = static_cast<int>(std::ceil(std::clamp(pen, 1.0f, static_cast<float>(MAX_TEXT_WIDTH))));
    t->coverage.assign(static_cast<size_t>(t->width) * static_cast<size_t>(t->height), 0);
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (!(pens[i] > -MAX_TEXT_WIDTH && pens[i] < MAX_TEXT_WIDTH)) continue;  // wholly outside the box
        const float shift = pens[i] - std::floor(pens[i]);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetGlyphBitmapBoxSubpixel(&R.font, glyphs[i], scale, scale, shift, 0.0f, &x0, &y0, &x1, &y1);
        const int w = x1 - x0, h = y1 - y0;
        if (w <= 0 || h <= 0) continue;
        glyph.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
        stbtt_MakeGlyphBitmapSubpixel(&R.font, glyph.data(), w, h, w, scale, scale, shift, 0.0f, glyphs[i]);
        const int left = static_cast<int>(std::floor(pens[i])) + x0, top = baseline + y0;
        for (int y = 0; y < h; ++y) {
            if (top + y < 0 || top + y >= t->height) continue;
            for (int x = 0; x < w; ++x) {
                if (left + x < 0 || left + x >= t->width) continue;
                uint8_t& out = t->coverage[static_cast<size_t>(top + y) * static_cast<size_t>(t->width) +
                                           static_cast<size_t>(left + x)];
                out = std::max(out, glyph[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]);
            }
        }
    }
}

const CachedText* RasterizedText(const std::string& text, int size)
{
    for (CachedText& t : R.texts) {
        if (t.size == size && t.text == text) {
            t.lastUse = ++R.useClock;
            return &t;
        }
    }
    if (R.texts.size() >= MAX_CACHED_TEXTS) {
        auto oldest = std::min_element(R.texts.begin(), R.texts.end(),
                                       [](const CachedText& a, const CachedText& b) { return a.lastUse < b.lastUse; });
        R.texts.erase(oldest);
    }
    R.texts.push_back(CachedText{text, size, 0, 0, {}, ++R.useClock});
    Rasterize(&R.texts.back());
    return &R.texts.back();
}

}  // namespace

void render::LoadCaptionFont()
{
    if (R.frame) FontReady();
}

void DrawText(const char* text, int posX, int posY, int fontSize, Color color)
{
    if (!R.frame || !text || !*text || !FontReady()) return;
    FlushPendingRow();
    std::string caption(text);
    if (caption.size() > MAX_TEXT_BYTES) caption.resize(MAX_TEXT_BYTES);
    const CachedText* t = RasterizedText(caption, std::clamp(fontSize, MIN_FONT_SIZE, MAX_FONT_SIZE));
    // Clipped in wide integers: a caption far off the frame costs nothing.
    const long long x0 = std::max<long long>(posX, 0), y0 = std::max<long long>(posY, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(posX) + t->width, R.width);
    const long long y1 = std::min<long long>(static_cast<long long>(posY) + t->height, R.height);
    for (long long y = y0; y < y1; ++y) {
        const uint8_t* cover = &t->coverage[static_cast<size_t>(y - posY) * static_cast<size_t>(t->width)];
        uint32_t* row = R.frame + y * R.width;
        for (long long x = x0; x < x1; ++x)
            if (const uint32_t c = cover[x - posX]) row[x] = BlendTexel((c << 24) | 0xFFFFFFu, color, row[x]);
    }
}
