// The window, frame clock, input, drawing and textures, on SDL2.
//
// Every frame is drawn into an off-screen picture the size of the window and
// copied to the window when it is presented, so a screenshot taken between
// frames reads exactly what the player saw. With a graphics card that picture
// is a render-target texture; on SDL's software renderer it is a plain surface
// in memory, which also lets the tile quads be filled straight into it: SDL's
// software renderer would otherwise take each quad of a batch one by one,
// which at one pixel per tile costs more than the whole rest of a frame.

#include "platform/platform.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/input_playback.h"
#include "platform/keymap.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMouseButtonCount = 8;

// A white square stands in for a texture that cannot be loaded, so tinted
// drawing still shows the world.
constexpr int kFallbackTextureSize = 16;

// Quads of one texture gather here until something else is drawn. The buffer
// is allocated once with the window, so frames allocate nothing; a frame that
// draws more (zoomed far out) is split into a few submissions.
constexpr size_t kBatchQuads = size_t{1} << 14;

// Positions beyond this are far outside any window; keeping them out of the
// renderer keeps its float-to-int conversions in range.
constexpr float kMaxCoordinate = 16777216.0f;

// Rendered captions and opened font sizes kept for reuse, least recently used
// dropped first.
constexpr size_t kMaxCachedTexts = 64;
constexpr size_t kMaxCachedFonts = 8;
constexpr int kMinFontSize = 10;
constexpr int kMaxFontSize = 512;

// Image files larger than this are refused rather than read into memory.
constexpr long long kMaxImageFileBytes = 256LL * 1024 * 1024;

// The frame wait sleeps until this close to the deadline, then spins, since
// a sleep can wake late but a spin cannot.
constexpr auto kSpinMargin = std::chrono::milliseconds(2);

struct LoadedTexture {
    unsigned int id;
    SDL_Texture* texture;
    int width;
    int height;
    std::vector<Uint32> pixels;  // ARGB8888 copy for the software fill; empty otherwise
    bool opaque;                 // every texel of that copy has full alpha
};

struct CachedText {
    std::string text;
    int size;
    Color color;
    SDL_Texture* texture;  // null when the text could not be rendered: not retried
    int width;
    int height;
    uint64_t lastUse;
};

struct CachedFont {
    int size;
    TTF_Font* font;
    uint64_t lastUse;
};

enum class FontState { NotLooked, Ready, Missing };

// Everything that lives from InitWindow to CloseWindow.
struct Layer {
    bool open = false;
    bool closeRequested = false;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    bool software = false;               // drawing on SDL's software renderer
    SDL_Texture* frame = nullptr;        // with a graphics card: the frame, a render target
    SDL_Surface* frameSurface = nullptr; // in software: the frame, which the renderer draws into
    int width = 0;
    int height = 0;

    bool keyDown[kKeyCodeCount] = {};
    bool keyPressed[kKeyCodeCount] = {};
    bool buttonDown[kMouseButtonCount] = {};
    Vector2 mouse = {0.0f, 0.0f};

    std::vector<LoadedTexture> textures;

    // The batch of quads waiting for one submission, and the texture they use.
    std::vector<SDL_Vertex> vertices;
    std::vector<int> indices;
    size_t batchQuads = 0;
    unsigned int batchId = 0;
    SDL_Texture* batchTexture = nullptr;
    float batchTextureWidth = 0.0f;
    float batchTextureHeight = 0.0f;
    bool batchUpright = true;        // every quad of the batch is an unturned rectangle
    std::vector<int> texelColumns;   // scratch for the software fill, one entry per frame column

    uint64_t submissions = 0;

    bool ttfStarted = false;
    FontState fontState = FontState::NotLooked;
    std::string fontPath;
    std::vector<CachedFont> fonts;
    std::vector<CachedText> texts;
    uint64_t useClock = 0;

    Clock::time_point frameEnd{};  // where the schedule says the last frame ended
};

Layer L;

// Outlive the window: the game sets its frame rate before opening it, and
// texture ids are never reused, so a stale id cannot name a newer texture.
int gTargetFps = 0;
unsigned int gNextTextureId = 1;

const char* Reason(const char* text) { return (text && *text) ? text : "unknown error"; }

// ---- Frame target and batch -------------------------------------------------

void AllocateBatch() {
    L.vertices.assign(kBatchQuads * 4, SDL_Vertex{});
    L.indices.assign(kBatchQuads * 6, 0);
    // Two triangles per quad sharing the diagonal from its first to its third corner.
    for (size_t q = 0; q < kBatchQuads; ++q) {
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

const LoadedTexture* FindTexture(unsigned int id) {
    for (const LoadedTexture& t : L.textures)
        if (t.id == id) return &t;
    return nullptr;
}

// Index of the texel that a pixel centre at texture coordinate t falls on,
// kept on the texture like a clamped sampler; NaN gives texel 0.
int TexelIndex(double t, int size) {
    const double i = t * size;
    if (!(i >= 0.0)) return 0;
    return i < size ? static_cast<int>(i) : size - 1;  // truncation is floor here
}

// First whole pixel whose centre is at or right of (below) an edge; the
// edge is within the drawable range, so the conversion cannot overflow.
int FirstPixelFrom(double edge) {
    const double c = edge - 0.5;
    const int i = static_cast<int>(c);
    return i < c ? i + 1 : i;
}

// One texel times the tint, laid over one frame pixel with alpha, in the same
// integer arithmetic as SDL's software blitter (so a white texel under a tint
// gives exactly the tint).
Uint32 BlendTexel(Uint32 texel, SDL_Color tint, Uint32 dst) {
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
Uint32 TintOpaqueTexel(Uint32 texel, SDL_Color tint) {
    const Uint32 r = ((texel >> 16) & 0xFF) * tint.r / 255;
    const Uint32 g = ((texel >> 8) & 0xFF) * tint.g / 255;
    const Uint32 b = (texel & 0xFF) * tint.b / 255;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Fills the batch's unturned quads straight into the software frame. A pixel
// belongs to a quad when its centre lies inside, left and top edges included,
// and shows the texel under that centre: the rule a graphics card follows, so
// both kinds of renderer give the same picture.
void FillUprightQuads(const LoadedTexture& tex) {
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

void FlushBatch() {
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

bool InDrawableRange(float v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; }

// ---- Window ---------------------------------------------------------------

bool Named(const char* value, const char* name) { return value && SDL_strcasecmp(value, name) == 0; }

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Where there is no display and no driver was asked for, SDL falls through to
// a headless driver and the game would run unseen, forever.
constexpr const char* kNoDisplay =
    "no display found (DISPLAY and WAYLAND_DISPLAY are not set); to run without one, set SDL_VIDEODRIVER=dummy";

bool Headless(const char* driver) { return Named(driver, "dummy") || Named(driver, "offscreen"); }

// Sets up the software frame: a surface in memory with SDL's software renderer drawing into it.
bool OpenSoftwareFrame(int width, int height) {
    L.frameSurface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!L.frameSurface) return false;
    SDL_SetSurfaceBlendMode(L.frameSurface, SDL_BLENDMODE_NONE);  // presented as it is, alpha ignored
    L.renderer = SDL_CreateSoftwareRenderer(L.frameSurface);
    if (!L.renderer) return false;
    L.software = true;
    return SDL_GetWindowSurface(L.window) != nullptr;  // where frames are presented
}

// Chooses the renderer. Frames are drawn in memory by the layer's own fill,
// a few milliseconds even for the 120,000 tiles of zoom 1 on any machine,
// while OpenGL without a graphics card (Xvfb, virtual machines) takes over
// 150 ms for them. A graphics card's renderer is used only when asked for by
// name in SDL_RENDER_DRIVER, falling back to software when it cannot start.
bool OpenRenderer(int width, int height) {
    const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    if (Named(SDL_GetCurrentVideoDriver(), "dummy") || !asked || !*asked || Named(asked, "software"))
        return OpenSoftwareFrame(width, height);
    L.renderer = SDL_CreateRenderer(L.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (!L.renderer) return OpenSoftwareFrame(width, height);
    L.frame = SDL_CreateTexture(L.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
    if (!L.frame) return false;
    SDL_SetTextureBlendMode(L.frame, SDL_BLENDMODE_NONE);
    return SDL_SetRenderTarget(L.renderer, L.frame) == 0;
}

void ReleaseTextCaches() {
    for (CachedText& t : L.texts)
        if (t.texture) SDL_DestroyTexture(t.texture);
    L.texts.clear();
    for (CachedFont& f : L.fonts) TTF_CloseFont(f.font);
    L.fonts.clear();
}

// Releases whatever the window holds and forgets all per-window state.
void TearDown() {
    ReleaseTextCaches();
    for (LoadedTexture& t : L.textures) SDL_DestroyTexture(t.texture);
    L.textures.clear();
    if (L.frame) SDL_DestroyTexture(L.frame);
    if (L.renderer) SDL_DestroyRenderer(L.renderer);
    if (L.frameSurface) SDL_FreeSurface(L.frameSurface);
    if (L.window) SDL_DestroyWindow(L.window);
    if (L.ttfStarted) TTF_Quit();
    IMG_Quit();
    SDL_Quit();
    L = Layer{};
}

void ResetFrameSchedule() { L.frameEnd = Clock::now(); }

// Sleeps, then spins, until one frame period after the previous frame's end on
// the schedule. A late frame moves the schedule instead of shortening the
// frames after it.
void WaitForFrameEnd() {
    if (gTargetFps <= 0) return;
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / gTargetFps));
    const Clock::time_point deadline = L.frameEnd + period;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) {
        L.frameEnd = now;
        return;
    }
    if (deadline - now > kSpinMargin) std::this_thread::sleep_until(deadline - kSpinMargin);
    while (Clock::now() < deadline) {
    }
    L.frameEnd = deadline;
}

// ---- Input ----------------------------------------------------------------

int ButtonFromSdl(Uint8 button) {
    switch (button) {
        case SDL_BUTTON_LEFT: return MOUSE_BUTTON_LEFT;
        case SDL_BUTTON_RIGHT: return MOUSE_BUTTON_RIGHT;
        case SDL_BUTTON_MIDDLE: return 2;
        case SDL_BUTTON_X1: return 3;
        case SDL_BUTTON_X2: return 4;
        default: return -1;
    }
}

void ReleaseAllInput() {
    std::fill(std::begin(L.keyDown), std::end(L.keyDown), false);
    std::fill(std::begin(L.buttonDown), std::end(L.buttonDown), false);
}

void HandleEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            L.closeRequested = true;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) L.closeRequested = true;
            // Key and button releases are not delivered to a window without
            // focus; forget what was held rather than keep walking.
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) ReleaseAllInput();
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // Read as a plain number: a pushed event may carry any value in this field.
            static_assert(sizeof(e.key.keysym.scancode) == sizeof(int32_t));
            int32_t scancode;
            std::memcpy(&scancode, &e.key.keysym.scancode, sizeof scancode);
            const int key = KeyFromScancode(scancode);
            if (key == KEY_NULL) break;
            if (e.type == SDL_KEYDOWN) {
                // A press counts even when the key is let go again before the
                // next poll, so a quick tap of a zoom key is never lost.
                if (!L.keyDown[key]) L.keyPressed[key] = true;
                L.keyDown[key] = true;
                if (key == KEY_ESCAPE && e.key.repeat == 0) L.closeRequested = true;
            } else {
                L.keyDown[key] = false;
            }
            break;
        }
        case SDL_MOUSEMOTION:
            L.mouse = Vector2{static_cast<float>(e.motion.x), static_cast<float>(e.motion.y)};
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int b = ButtonFromSdl(e.button.button);
            if (b >= 0) L.buttonDown[b] = (e.type == SDL_MOUSEBUTTONDOWN);
            break;
        }
        default:
            break;
    }
}

// ---- Text -----------------------------------------------------------------

std::string FindSansFont() {
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
bool FontReady() {
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
    TTF_Font* probe = TTF_OpenFont(L.fontPath.c_str(), kMinFontSize);
    if (!probe) {
        std::fprintf(stderr, "delve: cannot open font '%s': %s; text will not be drawn\n", L.fontPath.c_str(),
                     Reason(TTF_GetError()));
        return false;
    }
    L.fonts.push_back(CachedFont{kMinFontSize, probe, ++L.useClock});
    L.fontState = FontState::Ready;
    return true;
}

TTF_Font* FontOfSize(int size) {
    for (CachedFont& f : L.fonts) {
        if (f.size == size) {
            f.lastUse = ++L.useClock;
            return f.font;
        }
    }
    TTF_Font* font = TTF_OpenFont(L.fontPath.c_str(), size);
    if (!font) return nullptr;
    if (L.fonts.size() >= kMaxCachedFonts) {
        auto oldest = std::min_element(L.fonts.begin(), L.fonts.end(),
                                       [](const CachedFont& a, const CachedFont& b) { return a.lastUse < b.lastUse; });
        TTF_CloseFont(oldest->font);
        L.fonts.erase(oldest);
    }
    L.fonts.push_back(CachedFont{size, font, ++L.useClock});
    return font;
}

bool SameColor(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

const CachedText* RenderedText(const char* text, int size, Color color) {
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
        if (!entry.texture)
            std::fprintf(stderr, "delve: cannot draw text '%s': %s\n", text, Reason(SDL_GetError()));
    } else {
        std::fprintf(stderr, "delve: cannot draw text '%s': %s\n", text, Reason(TTF_GetError()));
    }
    if (entry.texture) SDL_SetTextureBlendMode(entry.texture, SDL_BLENDMODE_BLEND);
    if (L.texts.size() >= kMaxCachedTexts) {
        auto oldest = std::min_element(L.texts.begin(), L.texts.end(),
                                       [](const CachedText& a, const CachedText& b) { return a.lastUse < b.lastUse; });
        if (oldest->texture) SDL_DestroyTexture(oldest->texture);
        L.texts.erase(oldest);
    }
    L.texts.push_back(std::move(entry));
    return &L.texts.back();
}

// ---- Images ---------------------------------------------------------------

// The PNG decoder writes its complaints straight to standard error. While an
// image is decoded they are caught in a scratch file instead, so a bad file
// gives one warning line that carries the decoder's own words.
struct CaughtStderr {
    int saved = -1;
    std::FILE* sink = nullptr;
};

CaughtStderr CatchStderr() {
    CaughtStderr c;
    std::fflush(stderr);
    c.sink = std::tmpfile();
    if (!c.sink) return c;
    c.saved = dup(STDERR_FILENO);
    if (c.saved < 0 || dup2(fileno(c.sink), STDERR_FILENO) < 0) {
        if (c.saved >= 0) close(c.saved);
        std::fclose(c.sink);
        return CaughtStderr{};
    }
    return c;
}

// Puts standard error back and returns what was written meanwhile, as one line.
std::string ReleaseStderr(CaughtStderr& c) {
    std::string text;
    if (!c.sink) return text;
    std::fflush(stderr);
    dup2(c.saved, STDERR_FILENO);
    close(c.saved);
    std::rewind(c.sink);
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, c.sink)) > 0 && text.size() < 4096) text.append(buf, n);
    std::fclose(c.sink);
    c = CaughtStderr{};
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(start, end - start);
        for (const char* prefix : {"libpng error: ", "libpng warning: "})
            if (part.rfind(prefix, 0) == 0) part.erase(0, std::strlen(prefix));
        if (!part.empty()) line += (line.empty() ? "" : "; ") + part;
        start = end + 1;
    }
    return line;
}

// Decodes an image file, or says why it cannot.
SDL_Surface* ReadImage(const char* path, std::string* reason) {
    if (!path || !*path) {
        *reason = "no file name given";
        return nullptr;
    }
    struct stat st;
    if (stat(path, &st) != 0) {
        *reason = std::strerror(errno);
        return nullptr;
    }
    // Opening a pipe or device could block or never end; only plain files hold images.
    if (!S_ISREG(st.st_mode)) {
        *reason = S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file";
        return nullptr;
    }
    if (st.st_size == 0) {
        *reason = "the file is empty";
        return nullptr;
    }
    if (st.st_size > kMaxImageFileBytes) {
        *reason = "the file is too large for an image";
        return nullptr;
    }
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        *reason = std::strerror(errno);
        return nullptr;
    }
    std::vector<unsigned char> bytes(static_cast<size_t>(st.st_size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError || got == 0) {
        *reason = readError ? "the file cannot be read" : "the file is empty";
        return nullptr;
    }
    SDL_ClearError();
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(got));
    CaughtStderr caught = CatchStderr();
    SDL_Surface* image = rw ? IMG_Load_RW(rw, 1) : nullptr;
    const std::string decoderSaid = ReleaseStderr(caught);
    if (!image) {
        *reason = Reason(IMG_GetError());
        if (!decoderSaid.empty()) *reason += " (" + decoderSaid + ")";
        return nullptr;
    }
    if (image->w <= 0 || image->h <= 0) {
        SDL_FreeSurface(image);
        *reason = "the image has no pixels";
        return nullptr;
    }
    return image;
}

// Makes a texture from ARGB8888 pixels; the software fill keeps its own copy of them.
bool MakeTexture(const Uint32* pixels, int width, int height, int pitch, LoadedTexture* out) {
    SDL_Texture* t = SDL_CreateTexture(L.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
    if (!t) return false;
    if (SDL_UpdateTexture(t, nullptr, pixels, pitch) != 0) {
        SDL_DestroyTexture(t);
        return false;
    }
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    out->texture = t;
    out->width = width;
    out->height = height;
    out->pixels.clear();
    if (L.software) {
        out->pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            std::memcpy(&out->pixels[static_cast<size_t>(y) * static_cast<size_t>(width)],
                        reinterpret_cast<const unsigned char*>(pixels) + static_cast<ptrdiff_t>(y) * pitch,
                        static_cast<size_t>(width) * sizeof(Uint32));
    }
    out->opaque = std::all_of(out->pixels.begin(), out->pixels.end(), [](Uint32 p) { return (p >> 24) == 0xFF; });
    return true;
}

bool MakeTextureFromImage(SDL_Surface* image, LoadedTexture* out) {
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(image, SDL_PIXELFORMAT_ARGB8888, 0);
    if (!argb) return false;
    bool ok = SDL_LockSurface(argb) == 0;
    if (ok) {
        ok = MakeTexture(static_cast<const Uint32*>(argb->pixels), argb->w, argb->h, argb->pitch, out);
        SDL_UnlockSurface(argb);
    }
    SDL_FreeSurface(argb);
    return ok;
}

bool MakeWhiteTexture(LoadedTexture* out) {
    const std::vector<Uint32> white(kFallbackTextureSize * kFallbackTextureSize, 0xFFFFFFFFu);
    return MakeTexture(white.data(), kFallbackTextureSize, kFallbackTextureSize,
                       kFallbackTextureSize * static_cast<int>(sizeof(Uint32)), out);
}

}  // namespace

// ---- Window and frame loop --------------------------------------------------

void SetTargetFPS(int fps) {
    gTargetFps = fps > 0 ? fps : 0;
    if (L.open) ResetFrameSchedule();
}

bool InitWindow(int width, int height, const char* title) {
    if (L.open) {
        std::fprintf(stderr, "delve: the window is already open\n");
        return true;
    }
    L = Layer{};
    auto fail = [](const char* reason) {
        std::fprintf(stderr, "delve: cannot open a window: %s\n", Reason(reason));
        TearDown();
        return false;
    };
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "delve: cannot open a window: invalid size %dx%d\n", width, height);
        return false;
    }

    // The layer paces frames itself and draws pixel art: no vsync, no smoothing.
    // Batching is asked for explicitly because SDL turns it off whenever a
    // renderer is chosen by name or flags.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    // Without a driver asked for by name the game wants a real display, and
    // says so plainly when there is none instead of running unseen.
    const bool driverAsked = EnvironmentSet("SDL_VIDEODRIVER");
    if (!driverAsked) {
        const bool x11 = EnvironmentSet("DISPLAY"), wayland = EnvironmentSet("WAYLAND_DISPLAY");
        if (!x11 && !wayland) return fail(kNoDisplay);
        // Only X: try X alone, so a display that cannot be reached is
        // reported as such rather than by Wayland's complaints.
        if (!wayland) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (driverAsked) return fail(SDL_GetError());
        const std::string reason = std::string("cannot reach the display (") + Reason(SDL_GetError()) +
                                   "); to run without one, set SDL_VIDEODRIVER=dummy";
        return fail(reason.c_str());
    }
    if (!driverAsked && Headless(SDL_GetCurrentVideoDriver()))
        return fail("no display could be opened; to run without one, set SDL_VIDEODRIVER=dummy");

    L.window = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                SDL_WINDOW_SHOWN);
    if (!L.window) return fail(SDL_GetError());
    if (!OpenRenderer(width, height)) return fail(SDL_GetError());
    SDL_SetRenderDrawBlendMode(L.renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(L.renderer, 0, 0, 0, 255);
    SDL_RenderClear(L.renderer);
    IMG_Init(IMG_INIT_PNG);

    L.width = width;
    L.height = height;
    L.texelColumns.resize(static_cast<size_t>(width));
    AllocateBatch();
    L.open = true;
    ResetFrameSchedule();
    return true;
}

bool WindowShouldClose(void) { return !L.open || L.closeRequested; }

void CloseWindow(void) {
    if (!L.open) return;
    TearDown();
}

bool IsWindowReady(void) { return L.open; }

void BeginDrawing(void) {
    if (!L.open) return;
    if (L.frame) SDL_SetRenderTarget(L.renderer, L.frame);
}

void EndDrawing(void) {
    if (!L.open) return;
    FlushBatch();
    if (L.software) {
        SDL_RenderFlush(L.renderer);
        if (SDL_Surface* screen = SDL_GetWindowSurface(L.window)) {
            SDL_BlitSurface(L.frameSurface, nullptr, screen, nullptr);
            SDL_UpdateWindowSurface(L.window);
        }
    } else {
        SDL_SetRenderTarget(L.renderer, nullptr);
        SDL_RenderCopy(L.renderer, L.frame, nullptr, nullptr);
        SDL_RenderPresent(L.renderer);
        SDL_SetRenderTarget(L.renderer, L.frame);
    }
    WaitForFrameEnd();
    PollInputEvents();
}

void PollInputEvents(void) {
    if (!L.open) return;
    std::fill(std::begin(L.keyPressed), std::end(L.keyPressed), false);
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
}

// ---- Input ------------------------------------------------------------------

// A demo being played answers every query; the live state keeps following the
// events only so that Escape and the close button still work.
bool IsKeyDown(int key) {
    if (const InputFrame* played = PlayedInput()) return InputFrameHasKey(played->keysDown, key);
    return key > 0 && key < kKeyCodeCount && L.keyDown[key];
}

bool IsKeyPressed(int key) {
    if (const InputFrame* played = PlayedInput()) return InputFrameHasKey(played->keysPressed, key);
    return key > 0 && key < kKeyCodeCount && L.keyPressed[key];
}

static_assert(kMouseButtonCount <= 8, "an InputFrame holds 8 buttons");
bool IsMouseButtonDown(int button) {
    if (button < 0 || button >= kMouseButtonCount) return false;
    if (const InputFrame* played = PlayedInput()) return (played->buttonsDown >> button) & 1;
    return L.buttonDown[button];
}

Vector2 GetMousePosition(void) {
    if (const InputFrame* played = PlayedInput()) return played->mouse;
    return L.mouse;
}

// ---- Drawing ----------------------------------------------------------------

void ClearBackground(Color color) {
    if (!L.open) return;
    FlushBatch();
    SDL_SetRenderDrawColor(L.renderer, color.r, color.g, color.b, color.a);
    SDL_RenderClear(L.renderer);
}

void DrawTexturePro(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation,
                    Color tint) {
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

    if (L.batchQuads == kBatchQuads) FlushBatch();

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

void DrawRectangle(int posX, int posY, int width, int height, Color color) {
    if (!L.open || width <= 0 || height <= 0) return;
    // Clip in wide integers so huge sizes neither overflow nor reach the renderer.
    const long long x0 = std::max<long long>(posX, 0);
    const long long y0 = std::max<long long>(posY, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(posX) + width, L.width);
    const long long y1 = std::min<long long>(static_cast<long long>(posY) + height, L.height);
    if (x0 >= x1 || y0 >= y1) return;
    FlushBatch();
    const SDL_Rect r{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                     static_cast<int>(y1 - y0)};
    SDL_SetRenderDrawColor(L.renderer, color.r, color.g, color.b, color.a);
    SDL_RenderFillRect(L.renderer, &r);
}

void DrawTriangle(Vector2 v1, Vector2 v2, Vector2 v3, Color color) {
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

void DrawText(const char* text, int posX, int posY, int fontSize, Color color) {
    if (!L.open || !text || !*text) return;
    if (!FontReady()) return;
    const int size = std::clamp(fontSize, kMinFontSize, kMaxFontSize);
    const CachedText* t = RenderedText(text, size, color);
    if (!t->texture) return;
    const long long x1 = static_cast<long long>(posX) + t->width;
    const long long y1 = static_cast<long long>(posY) + t->height;
    if (x1 <= 0 || y1 <= 0 || posX >= L.width || posY >= L.height) return;
    FlushBatch();
    const SDL_Rect r{posX, posY, t->width, t->height};
    SDL_RenderCopy(L.renderer, t->texture, nullptr, &r);
}

// ---- Textures and screenshots ----------------------------------------------

Texture2D LoadTexture(const char* fileName) {
    const char* shown = fileName ? fileName : "";
    if (!L.open) {
        std::fprintf(stderr, "delve: cannot load texture '%s': no window is open\n", shown);
        return Texture2D{0, 0, 0};
    }
    std::string reason;
    LoadedTexture loaded{0, nullptr, 0, 0, {}, false};
    bool ok = false;
    if (SDL_Surface* image = ReadImage(fileName, &reason)) {
        SDL_ClearError();
        ok = MakeTextureFromImage(image, &loaded);
        if (!ok) reason = Reason(SDL_GetError());
        SDL_FreeSurface(image);
    }
    if (!ok) {
        if (!MakeWhiteTexture(&loaded)) {
            std::fprintf(stderr, "delve: cannot load texture '%s': %s; no stand-in texture either: %s\n", shown,
                         reason.c_str(), Reason(SDL_GetError()));
            return Texture2D{0, 0, 0};
        }
        std::fprintf(stderr, "delve: cannot load texture '%s': %s; drawing with a plain white %dx%d texture\n",
                     shown, reason.c_str(), kFallbackTextureSize, kFallbackTextureSize);
    }
    loaded.id = gNextTextureId++;
    if (gNextTextureId == 0) gNextTextureId = 1;  // 0 means "no texture"
    L.textures.push_back(std::move(loaded));
    const LoadedTexture& t = L.textures.back();
    return Texture2D{t.id, t.width, t.height};
}

void UnloadTexture(Texture2D texture) {
    if (!L.open || texture.id == 0) return;
    for (auto it = L.textures.begin(); it != L.textures.end(); ++it) {
        if (it->id != texture.id) continue;
        if (L.batchId == it->id) {
            FlushBatch();
            L.batchId = 0;
            L.batchTexture = nullptr;
        }
        SDL_DestroyTexture(it->texture);
        L.textures.erase(it);
        return;
    }
}

bool TakeScreenshot(const char* fileName) {
    const char* shown = fileName ? fileName : "";
    if (!L.open) {
        std::fprintf(stderr, "delve: cannot save screenshot '%s': no window is open\n", shown);
        return false;
    }
    if (!fileName || !*fileName) {
        std::fprintf(stderr, "delve: cannot save screenshot '': no file name given\n");
        return false;
    }
    FlushBatch();
    if (L.frame) SDL_SetRenderTarget(L.renderer, L.frame);
    const int pitch = L.width * 3;
    std::vector<unsigned char> pixels(static_cast<size_t>(pitch) * static_cast<size_t>(L.height));
    bool ok = SDL_RenderReadPixels(L.renderer, nullptr, SDL_PIXELFORMAT_RGB24, pixels.data(), pitch) == 0;
    if (ok) {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), L.width, L.height, 24, pitch,
                                                                  SDL_PIXELFORMAT_RGB24);
        ok = surface && IMG_SavePNG(surface, fileName) == 0;
        SDL_FreeSurface(surface);
    }
    if (!ok) std::fprintf(stderr, "delve: cannot save screenshot '%s': %s\n", fileName, Reason(SDL_GetError()));
    return ok;
}

// ---- Files ------------------------------------------------------------------

bool FileExists(const char* fileName) {
    struct stat st;
    return fileName && stat(fileName, &st) == 0 && S_ISREG(st.st_mode);
}

const char* GetApplicationDirectory(void) {
    static std::string directory;
    static bool known = false;
    if (!known) {
        known = true;
        if (char* base = SDL_GetBasePath()) {
            directory = base;
            SDL_free(base);
            if (!directory.empty() && directory.back() != '/') directory += '/';
        }
    }
    return directory.c_str();
}

// ---- Diagnostics ------------------------------------------------------------

uint64_t GetDrawSubmissionCount(void) { return L.submissions; }
