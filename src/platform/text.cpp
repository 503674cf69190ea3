// Text: a sans-serif font found through fontconfig, rendered with SDL_ttf,
// with the captions and font sizes in use kept for reuse.
#include "platform/platform.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/layer.h"

using namespace layer;

namespace {

// Rendered captions and opened font sizes kept for reuse, least recently used
// dropped first.
constexpr size_t MAX_CACHED_TEXTS = 64;
constexpr size_t MAX_CACHED_FONTS = 8;
constexpr int MIN_FONT_SIZE = 10;
constexpr int MAX_FONT_SIZE = 512;

std::string FindSansFont()
{
    std::string path;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        if (match) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                path = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return path;
}

// True when text can be drawn; looks the font up on first use and warns once if there is none.
bool FontReady()
{
    if (L.fontState == FontState::Ready) return true;
    if (L.fontState == FontState::Missing) return false;
    L.fontState = FontState::Missing;
    if (TTF_Init() != 0) {
        std::fprintf(stderr, "delve: cannot start the font renderer: %s; text will not be drawn\n",
                     Reason(TTF_GetError()));
        return false;
    }
    L.ttfStarted = true;
    L.fontPath = FindSansFont();
    if (L.fontPath.empty()) {
        std::fprintf(stderr, "delve: no TrueType font found through fontconfig; text will not be drawn\n");
        return false;
    }
    // Opening it once here reports an unusable file now, not on every caption.
    TTF_Font* probe = TTF_OpenFont(L.fontPath.c_str(), MIN_FONT_SIZE);
    if (!probe) {
        std::fprintf(stderr, "delve: cannot open font '%s': %s; text will not be drawn\n", L.fontPath.c_str(),
                     Reason(TTF_GetError()));
        return false;
    }
    L.fonts.push_back(CachedFont{MIN_FONT_SIZE, probe, ++L.useClock});
    L.fontState = FontState::Ready;
    return true;
}

TTF_Font* FontOfSize(int size)
{
    for (CachedFont& f : L.fonts) {
        if (f.size == size) {
            f.lastUse = ++L.useClock;
            return f.font;
        }
    }
    TTF_Font* font = TTF_OpenFont(L.fontPath.c_str(), size);
    if (!font) return nullptr;
    if (L.fonts.size() >= MAX_CACHED_FONTS) {
        auto oldest = std::min_element(L.fonts.begin(), L.fonts.end(),
                                       [](const CachedFont& a, const CachedFont& b) { return a.lastUse < b.lastUse; });
        TTF_CloseFont(oldest->font);
        L.fonts.erase(oldest);
    }
    L.fonts.push_back(CachedFont{size, font, ++L.useClock});
    return font;
}

bool SameColor(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

const CachedText* RenderedText(const char* text, int size, Color color)
{
    for (CachedText& t : L.texts) {
        if (t.size == size && SameColor(t.color, color) && t.text == text) {
            t.lastUse = ++L.useClock;
            return &t;
        }
    }
    CachedText entry{text, size, color, nullptr, 0, 0, ++L.useClock};
    TTF_Font* font = FontOfSize(size);
    SDL_Surface* surface = font ? TTF_RenderUTF8_Blended(font, text, ToSdl(color)) : nullptr;
    if (surface) {
        entry.texture = SDL_CreateTextureFromSurface(L.renderer, surface);
        entry.width = surface->w;
        entry.height = surface->h;
        SDL_FreeSurface(surface);
        if (!entry.texture) std::fprintf(stderr, "delve: cannot draw text '%s': %s\n", text, Reason(SDL_GetError()));
    } else {
        std::fprintf(stderr, "delve: cannot draw text '%s': %s\n", text, Reason(TTF_GetError()));
    }
    if (entry.texture) SDL_SetTextureBlendMode(entry.texture, SDL_BLENDMODE_BLEND);
    if (L.texts.size() >= MAX_CACHED_TEXTS) {
        auto oldest = std::min_element(L.texts.begin(), L.texts.end(),
                                       [](const CachedText& a, const CachedText& b) { return a.lastUse < b.lastUse; });
        if (oldest->texture) SDL_DestroyTexture(oldest->texture);
        L.texts.erase(oldest);
    }
    L.texts.push_back(std::move(entry));
    return &L.texts.back();
}

}  // namespace

namespace layer {

void ReleaseTextCaches()
{
    for (CachedText& t : L.texts)
        if (t.texture) SDL_DestroyTexture(t.texture);
    L.texts.clear();
    for (CachedFont& f : L.fonts) TTF_CloseFont(f.font);
    L.fonts.clear();
}

}  // namespace layer

void DrawText(const char* text, int posX, int posY, int fontSize, Color color)
{
    if (!L.open || !text || !*text) return;
    if (!FontReady()) return;
    const int size = std::clamp(fontSize, MIN_FONT_SIZE, MAX_FONT_SIZE);
    const CachedText* t = RenderedText(text, size, color);
    if (!t->texture) return;
    const long long x1 = static_cast<long long>(posX) + t->width;
    const long long y1 = static_cast<long long>(posY) + t->height;
    if (x1 <= 0 || y1 <= 0 || posX >= L.width || posY >= L.height) return;
    FlushBatch();
    const SDL_Rect r{posX, posY, t->width, t->height};
    SDL_RenderCopy(L.renderer, t->texture, nullptr, &r);
}
