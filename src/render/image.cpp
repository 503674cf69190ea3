// Images: textures from PNG files (a plain white stand-in when one cannot be
// read) and screenshots. stb_image and stb_image_write build everywhere, so
// every build reads and writes the same pixels.
#include "render/render.h"

#include <fcntl.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <sys/stat.h>
#include <unistd.h>
// Windows has no O_CLOEXEC (its files are not inherited unless asked), and
// without O_BINARY it would write each "\n" in a PNG as "\r\n".
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_BINARY
#define O_BINARY 0
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "render/canvas.h"
#include "render/frame.h"

using namespace render;

namespace {

// A white square stands in for a texture that cannot be loaded, so tinted
// drawing still shows the world.
constexpr int FALLBACK_TEXTURE_SIZE = 16;
// The largest image loaded: each way, and its pixels as the file stores them
// (4096x4096 of 8-bit RGBA, so fewer of 16-bit ones); and the largest file
// read for one. Far more than a sheet of tiles needs, and little enough that
// no header can make a decode cost more memory than the game may use.
constexpr int MAX_TEXTURE_SIDE = 4096;
constexpr uint64_t MAX_STORED_PIXEL_BYTES = 64ull * 1024 * 1024;
constexpr long long MAX_IMAGE_FILE_BYTES = 16LL * 1024 * 1024;

// Takes out the PNG's empty data chunks, which carry nothing: stb_image would
// copy zero bytes to a buffer it has not allocated yet, which C forbids.
void DropEmptyDataChunks(std::vector<unsigned char>* bytes)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes->size() < 8 || std::memcmp(bytes->data(), signature, 8) != 0) return;
    size_t at = 8;
    while (bytes->size() - at >= 12) {
        const unsigned char* c = bytes->data() + at;
        const uint64_t length = (uint64_t{c[0]} << 24) | (c[1] << 16) | (c[2] << 8) | c[3];
        if (length == 0 && std::memcmp(c + 4, "IDAT", 4) == 0) {
            bytes->erase(bytes->begin() + static_cast<long>(at), bytes->begin() + static_cast<long>(at + 12));
            continue;
        }
        if (length > bytes->size() - at - 12) return;  // cut short: the decoder says so
        at += 12 + static_cast<size_t>(length);
    }
}

// What the header asks for, checked before any pixel is allocated: "" when it
// is within the limits (or unreadable, which the decode then says).
std::string CheckImageHeader(const std::vector<unsigned char>& bytes)
{
    int w = 0, h = 0, channels = 0;
    const int size = static_cast<int>(bytes.size());
    if (!stbi_info_from_memory(bytes.data(), size, &w, &h, &channels)) return "";
    const std::string asked = "its header asks for " + std::to_string(w) + "x" + std::to_string(h) + " pixels";
    if (w > MAX_TEXTURE_SIDE || h > MAX_TEXTURE_SIDE)
        return asked + ", more than " + std::to_string(MAX_TEXTURE_SIDE) + "x" + std::to_string(MAX_TEXTURE_SIDE);
    const uint64_t depth = stbi_is_16_bit_from_memory(bytes.data(), size) ? 2 : 1;
    if (uint64_t{static_cast<unsigned>(w)} * static_cast<unsigned>(h) * static_cast<unsigned>(channels) * depth >
        MAX_STORED_PIXEL_BYTES)
        return asked + " of 16 bits, more than " + std::to_string(MAX_STORED_PIXEL_BYTES >> 20) + " MiB";
    return "";
}

// Outlives the window: texture ids are never reused, so a stale id cannot
// name a newer texture.
unsigned int gNextTextureId = 1;

// Decodes an image file into 0xAARRGGBB pixels, or says why it cannot.
bool ReadImage(const char* path, LoadedTexture* out, std::string* reason)
{
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, MAX_IMAGE_FILE_BYTES, "an image", &bytes, reason)) return false;
    if (bytes.empty()) {
        *reason = "the file is empty";
        return false;
    }
    DropEmptyDataChunks(&bytes);
    *reason = CheckImageHeader(bytes);
    if (!reason->empty()) return false;
    int w = 0, h = 0, channels = 0;
    unsigned char* rgba = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4);
    const bool refused = TakeDecodeRefusal();
    if (!rgba) {
        const char* why = stbi_failure_reason();
        *reason = refused ? "decoding it would take more memory than a 4096x4096 image"
                          : std::string("not a readable image (") + (why && *why ? why : "unknown error") + ")";
        return false;
    }
    std::vector<unsigned char>().swap(bytes);  // the file's bytes go before the pixels are copied
    out->width = w;
    out->height = h;
    out->pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (size_t i = 0; i < out->pixels.size(); ++i) {
        const unsigned char* p = rgba + 4 * i;
        out->pixels[i] = PackColor(Color{p[0], p[1], p[2], p[3]});
    }
    stbi_image_free(rgba);
    return true;
}

// The highest number a screenshot's name takes.
constexpr int MAX_SCREENSHOT_NUMBER = 999;

void AppendBytes(void* to, void* data, int size)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(to);
    bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

// The frame (the one being drawn, or the last one presented) encoded whole as
// a PNG of its red, green and blue, before any file is touched.
bool EncodeFramePng(std::vector<unsigned char>* png)
{
    FlushPendingRow();  // the quads held back are part of the picture
    const size_t pixels = static_cast<size_t>(R.width) * static_cast<size_t>(R.height);
    std::vector<unsigned char> rgb(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) {
        rgb[3 * i] = static_cast<unsigned char>(R.frame[i] >> 16);
        rgb[3 * i + 1] = static_cast<unsigned char>(R.frame[i] >> 8);
        rgb[3 * i + 2] = static_cast<unsigned char>(R.frame[i]);
    }
    png->clear();
    return stbi_write_png_to_func(AppendBytes, png, R.width, R.height, 3, rgb.data(), R.width * 3) != 0 &&
           !png->empty();
}

// Writes all of `bytes` to an open file and closes it; 0 or the error.
int WriteAll(int fd, const std::vector<unsigned char>& bytes)
{
    size_t done = 0;
    int error = 0;
    while (done < bytes.size() && !error) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (!(n < 0 && errno == EINTR))
            error = n < 0 ? errno : EIO;
    }
    if (close(fd) != 0 && !error) error = errno;
    return error;
}

}  // namespace

Texture2D LoadTexture(const char* fileName)
{
    const char* shown = fileName ? fileName : "";
    if (!R.frame) {
        std::fprintf(stderr, "delve: cannot load texture '%s': no window is open\n", shown);
        return Texture2D{0, 0, 0};
    }
    FlushPendingRow();
    std::string reason;
    LoadedTexture loaded{0, 0, 0, {}, false, {}, {}};
    if (!ReadImage(fileName, &loaded, &reason)) {
        loaded.width = loaded.height = FALLBACK_TEXTURE_SIZE;
        loaded.pixels.assign(FALLBACK_TEXTURE_SIZE * FALLBACK_TEXTURE_SIZE, 0xFFFFFFFFu);
        std::fprintf(stderr, "delve: cannot load texture '%s': %s; drawing with a plain white %dx%d texture\n", shown,
                     reason.c_str(), FALLBACK_TEXTURE_SIZE, FALLBACK_TEXTURE_SIZE);
    }
    loaded.opaque =
        std::all_of(loaded.pixels.begin(), loaded.pixels.end(), [](uint32_t p) { return (p >> 24) == 0xFF; });
    PrepareTinting(&loaded);
    loaded.id = gNextTextureId++;
    if (gNextTextureId == 0) gNextTextureId = 1;  // 0 means "no texture"
    R.textures.push_back(std::move(loaded));
    const LoadedTexture& t = R.textures.back();
    return Texture2D{t.id, t.width, t.height};
}

void UnloadTexture(Texture2D texture)
{
    if (!R.frame || texture.id == 0) return;
    FlushPendingRow();  // they may show this texture
    for (auto it = R.textures.begin(); it != R.textures.end(); ++it) {
        if (it->id != texture.id) continue;
        if (R.quadTextureId == it->id) {
            R.quadTextureId = 0;
            R.quadTexture = nullptr;
        }
        R.textures.erase(it);
        return;
    }
}

bool TakeScreenshot(const char* fileName)
{
    const char* shown = fileName ? fileName : "";
    if (!R.frame) {
        std::fprintf(stderr, "delve: cannot save screenshot '%s': no window is open\n", shown);
        return false;
    }
    if (!fileName || !*fileName) {
        std::fprintf(stderr, "delve: cannot save screenshot '': no file name given\n");
        return false;
    }
    std::vector<unsigned char> png;
    if (!EncodeFramePng(&png)) {
        std::fprintf(stderr, "delve: cannot save screenshot '%s': the picture cannot be encoded\n", fileName);
        return false;
    }
    const int fd = open(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_BINARY, 0644);
    const int error = fd < 0 ? errno : WriteAll(fd, png);
    if (error) std::fprintf(stderr, "delve: cannot save screenshot '%s': %s\n", fileName, std::strerror(error));
    return error == 0;
}

namespace render {

void SaveNumberedScreenshot()
{
    std::vector<unsigned char> png;
    if (!EncodeFramePng(&png)) {
        std::fprintf(stderr, "delve: cannot save a screenshot: the picture cannot be encoded\n");
        return;
    }
    char name[32];
    for (int n = 0; n <= MAX_SCREENSHOT_NUMBER; ++n) {
        std::snprintf(name, sizeof name, "screenshot%03d.png", n);
        // Created only if no file has the name, so nothing is ever
        // overwritten, even by another copy of the game saving at once.
        const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_BINARY, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        const int error = fd < 0 ? errno : WriteAll(fd, png);
        if (error) {
            if (fd >= 0) unlink(name);  // ours, and unfinished
            std::fprintf(stderr, "delve: cannot save a screenshot as %s: %s\n", name, std::strerror(error));
            return;
        }
        std::fprintf(stderr, "delve: screenshot saved as %s\n", name);
        return;
    }
    std::fprintf(stderr, "delve: cannot save a screenshot: screenshot000.png to screenshot%03d.png all exist\n",
                 MAX_SCREENSHOT_NUMBER);
}

}  // namespace render
