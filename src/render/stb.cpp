// The one home of the stb libraries' code (PNG in and out, TrueType); their
// headers elsewhere declare only.
#include <cstddef>
#include <cstdlib>

namespace {

// No buffer stb_image allocates may be larger than the largest tile image
// needs (image.cpp: 64 MiB of pixels as stored, and a byte per row): a PNG
// whose chunks claim more, or whose compressed pixels would inflate past it,
// is refused as it is read, whatever its header says.
constexpr size_t MAX_DECODE_BUFFER = 64u * 1024 * 1024 + 64 * 1024;
bool gDecodeRefused = false;

void* DecodeBuffer(void* old, size_t size)
{
    if (size > MAX_DECODE_BUFFER) {
        gDecodeRefused = true;
        return nullptr;
    }
    return std::realloc(old, size);
}

}  // namespace

#define STBI_MALLOC(size) DecodeBuffer(nullptr, size)
#define STBI_REALLOC(old, size) DecodeBuffer(old, size)
#define STBI_FREE(p) std::free(p)

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#define STB_TRUETYPE_IMPLEMENTATION

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <stb/stb_truetype.h>

// The renderer's own header includes stb_truetype's declarations again.
#undef STB_TRUETYPE_IMPLEMENTATION
#include "render/canvas.h"

bool render::TakeDecodeRefusal()
{
    const bool refused = gDecodeRefused;
    gDecodeRefused = false;
    return refused;
}
