// Images and files: decoding image files into textures (with a plain white
// stand-in when one cannot be read), screenshots, and file look-ups.
#include "platform/platform.h"

#include <SDL.h>
#include <SDL_image.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fill.h"
#include "platform/layer.h"

using namespace layer;

namespace {

// A white square stands in for a texture that cannot be loaded, so tinted
// drawing still shows the world.
constexpr int FALLBACK_TEXTURE_SIZE = 16;

// Image files larger than this are refused rather than read into memory.
constexpr long long MAX_IMAGE_FILE_BYTES = 256LL * 1024 * 1024;

// Outlives the window: texture ids are never reused, so a stale id cannot
// name a newer texture.
unsigned int gNextTextureId = 1;

// The PNG decoder writes its complaints straight to standard error. While an
// image is decoded they are caught in a scratch file instead, so a bad file
// gives one warning line that carries the decoder's own words.
struct CaughtStderr {
    int saved = -1;
    std::FILE* sink = nullptr;
};

CaughtStderr CatchStderr()
{
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
std::string ReleaseStderr(CaughtStderr& c)
{
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
SDL_Surface* ReadImage(const char* path, std::string* reason)
{
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
    if (st.st_size > MAX_IMAGE_FILE_BYTES) {
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
bool MakeTexture(const Uint32* pixels, int width, int height, int pitch, LoadedTexture* out)
{
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
    PrepareTinting(out);
    return true;
}

bool MakeTextureFromImage(SDL_Surface* image, LoadedTexture* out)
{
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

bool MakeWhiteTexture(LoadedTexture* out)
{
    const std::vector<Uint32> white(FALLBACK_TEXTURE_SIZE * FALLBACK_TEXTURE_SIZE, 0xFFFFFFFFu);
    return MakeTexture(white.data(), FALLBACK_TEXTURE_SIZE, FALLBACK_TEXTURE_SIZE,
                       FALLBACK_TEXTURE_SIZE * static_cast<int>(sizeof(Uint32)), out);
}

// The highest number a screenshot's name takes.
constexpr int MAX_SCREENSHOT_NUMBER = 999;

// Reads the frame (the one being drawn, or the last one presented) and writes
// it as a PNG to `out`, which is closed in every case. False with SDL's error
// set on failure.
bool WriteFramePng(SDL_RWops* out)
{
    if (!out) return false;
    FlushBatch();
    if (L.frame) SDL_SetRenderTarget(L.renderer, L.frame);
    const int pitch = L.width * 3;
    std::vector<unsigned char> pixels(static_cast<size_t>(pitch) * static_cast<size_t>(L.height));
    SDL_Surface* surface = nullptr;
    if (SDL_RenderReadPixels(L.renderer, nullptr, SDL_PIXELFORMAT_RGB24, pixels.data(), pitch) == 0)
        surface =
            SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), L.width, L.height, 24, pitch, SDL_PIXELFORMAT_RGB24);
    if (!surface) {
        SDL_RWclose(out);
        return false;
    }
    const bool ok = IMG_SavePNG_RW(surface, out, 1) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

// An SDL stream that appends whatever is written to a byte vector, so an image
// is encoded whole before a file is touched.
size_t AppendToVector(SDL_RWops* rw, const void* data, size_t size, size_t count)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(rw->hidden.unknown.data1);
    const auto* p = static_cast<const unsigned char*>(data);
    bytes->insert(bytes->end(), p, p + size * count);
    return count;
}

int FreeSink(SDL_RWops* rw)
{
    SDL_FreeRW(rw);
    return 0;
}

SDL_RWops* MemorySink(std::vector<unsigned char>* bytes)
{
    SDL_RWops* rw = SDL_AllocRW();
    if (!rw) return nullptr;
    rw->type = SDL_RWOPS_UNKNOWN;
    rw->size = [](SDL_RWops*) -> Sint64 { return -1; };
    rw->seek = [](SDL_RWops*, Sint64, int) -> Sint64 { return -1; };
    rw->read = [](SDL_RWops*, void*, size_t, size_t) -> size_t { return 0; };
    rw->write = AppendToVector;
    rw->close = FreeSink;
    rw->hidden.unknown.data1 = bytes;
    return rw;
}

}  // namespace

Texture2D LoadTexture(const char* fileName)
{
    const char* shown = fileName ? fileName : "";
    if (!L.open) {
        std::fprintf(stderr, "delve: cannot load texture '%s': no window is open\n", shown);
        return Texture2D{0, 0, 0};
    }
    std::string reason;
    LoadedTexture loaded{0, nullptr, 0, 0, {}, false, {}, {}};
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
        std::fprintf(stderr, "delve: cannot load texture '%s': %s; drawing with a plain white %dx%d texture\n", shown,
                     reason.c_str(), FALLBACK_TEXTURE_SIZE, FALLBACK_TEXTURE_SIZE);
    }
    loaded.id = gNextTextureId++;
    if (gNextTextureId == 0) gNextTextureId = 1;  // 0 means "no texture"
    L.textures.push_back(std::move(loaded));
    const LoadedTexture& t = L.textures.back();
    return Texture2D{t.id, t.width, t.height};
}

void UnloadTexture(Texture2D texture)
{
    if (!L.open || texture.id == 0) return;
    for (auto it = L.textures.begin(); it != L.textures.end(); ++it) {
        if (it->id != texture.id) continue;
        if (L.batchId == it->id) {
            FlushBatch();
            L.batchId = 0;
            L.batchTexture = nullptr;
            L.batchDirect = nullptr;
        }
        SDL_DestroyTexture(it->texture);
        L.textures.erase(it);
        return;
    }
}

bool TakeScreenshot(const char* fileName)
{
    const char* shown = fileName ? fileName : "";
    if (!L.open) {
        std::fprintf(stderr, "delve: cannot save screenshot '%s': no window is open\n", shown);
        return false;
    }
    if (!fileName || !*fileName) {
        std::fprintf(stderr, "delve: cannot save screenshot '': no file name given\n");
        return false;
    }
    const bool ok = WriteFramePng(SDL_RWFromFile(fileName, "wb"));
    if (!ok) std::fprintf(stderr, "delve: cannot save screenshot '%s': %s\n", fileName, Reason(SDL_GetError()));
    return ok;
}

namespace layer {

void SaveNumberedScreenshot()
{
    std::vector<unsigned char> png;
    if (!WriteFramePng(MemorySink(&png))) {
        std::fprintf(stderr, "delve: cannot save a screenshot: %s\n", Reason(SDL_GetError()));
        return;
    }
    char name[32];
    for (int n = 0; n <= MAX_SCREENSHOT_NUMBER; ++n) {
        std::snprintf(name, sizeof name, "screenshot%03d.png", n);
        // Created only if no file has the name, so nothing is ever
        // overwritten, even by another copy of the game saving at once.
        const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            std::fprintf(stderr, "delve: cannot save a screenshot as %s: %s\n", name, std::strerror(errno));
            return;
        }
        size_t done = 0;
        int error = 0;
        while (done < png.size() && !error) {
            const ssize_t n = write(fd, png.data() + done, png.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (!(n < 0 && errno == EINTR))
                error = n < 0 ? errno : EIO;
        }
        if (close(fd) != 0 && !error) error = errno;
        if (error) {
            unlink(name);  // ours, and unfinished
            std::fprintf(stderr, "delve: cannot save a screenshot as %s: %s\n", name, std::strerror(error));
            return;
        }
        std::fprintf(stderr, "delve: screenshot saved as %s\n", name);
        return;
    }
    std::fprintf(stderr, "delve: cannot save a screenshot: screenshot000.png to screenshot%03d.png all exist\n",
                 MAX_SCREENSHOT_NUMBER);
}

}  // namespace layer

bool FileExists(const char* fileName)
{
    struct stat st;
    return fileName && stat(fileName, &st) == 0 && S_ISREG(st.st_mode);
}

const char* GetApplicationDirectory(void)
{
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
