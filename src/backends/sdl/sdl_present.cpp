// The SDL2 backend's present: finished frames scaled into the window's
// surface, black bars around them, sent to the display as plain pixels.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "backends/sdl/sdl_backend.h"
#include "platform/backend.h"
#include "render/fit.h"

namespace {

// Copies the frame into the window surface at the view's place and size,
// nearest neighbour: at a whole multiple k each frame pixel becomes a k x k
// block (one row widened, then copied down k - 1 times); shrunk, each window
// pixel takes the frame pixel the inverse mapping gives for it. Both are
// 32-bit pixels with red, green and blue in the same places.
void ScaleFrameInto(SDL_Surface* screen, const FrameView& v, const uint32_t* src, int width, int height)
{
    const ptrdiff_t dstStride = screen->pitch / static_cast<int>(sizeof(uint32_t));
    uint32_t* dst = static_cast<uint32_t*>(screen->pixels) + v.y * dstStride + v.x;
    const size_t rowBytes = static_cast<size_t>(v.w) * sizeof(uint32_t);
    const int k = v.w / width;
    if (v.w == k * width && v.h == k * height) {
        for (int sy = 0; sy < height; ++sy) {
            const uint32_t* in = src + static_cast<ptrdiff_t>(sy) * width;
            uint32_t* row = dst + static_cast<ptrdiff_t>(sy) * k * dstStride;
            if (k == 1) {
                std::memcpy(row, in, rowBytes);
                continue;
            }
            uint32_t* out = row;
            if (k == 2) {
                for (int sx = 0; sx < width; ++sx, out += 2) out[0] = out[1] = in[sx];
            } else {
                for (int sx = 0; sx < width; ++sx)
                    for (int i = 0; i < k; ++i) *out++ = in[sx];
            }
            for (int r = 1; r < k; ++r) std::memcpy(row + r * dstStride, row, rowBytes);
        }
        return;
    }
    std::vector<int>& columns = gSdl.shrinkColumns;
    if (columns.size() != static_cast<size_t>(v.w)) {
        columns.resize(static_cast<size_t>(v.w));
        for (int dx = 0; dx < v.w; ++dx) {
            int fx = 0, fy = 0;
            WindowToFrame(v, width, height, v.x + dx, v.y, &fx, &fy);
            columns[static_cast<size_t>(dx)] = fx;
        }
    }
    for (int dy = 0; dy < v.h; ++dy) {
        int fx = 0, fy = 0;
        WindowToFrame(v, width, height, v.x, v.y + dy, &fx, &fy);
        const uint32_t* in = src + static_cast<ptrdiff_t>(fy) * width;
        uint32_t* out = dst + dy * dstStride;
        for (int dx = 0; dx < v.w; ++dx) out[dx] = in[columns[static_cast<size_t>(dx)]];
    }
}

}  // namespace

// The bars are painted only when the window's surface changed size or the
// window was exposed or toggled, and otherwise only the frame's rectangle is
// sent to the display.
void BackendPresent(const uint32_t* pixels, int width, int height)
{
    SDL_Surface* screen = gSdl.window ? SDL_GetWindowSurface(gSdl.window) : nullptr;
    if (!screen) return;
    const FrameView v = FitFrame(screen->w, screen->h, width, height);
    if (v.w <= 0 || v.h <= 0) return;  // minimised: nothing to show
    const bool repaint = gSdl.barsDirty || screen->w != gSdl.presentedWidth || screen->h != gSdl.presentedHeight;
    if (repaint) {
        SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
        gSdl.shrinkColumns.clear();
    }
    const Uint32 format = screen->format->format;
    SDL_Rect dst{v.x, v.y, v.w, v.h};
    if (format == SDL_PIXELFORMAT_ARGB8888 || format == SDL_PIXELFORMAT_RGB888) {
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) return;
        ScaleFrameInto(screen, v, pixels, width, height);
        if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
    } else if (SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                                       width * 4, SDL_PIXELFORMAT_ARGB8888)) {
        // An unusual display: SDL converts, alpha ignored.
        SDL_SetSurfaceBlendMode(frame, SDL_BLENDMODE_NONE);
        SDL_BlitScaled(frame, nullptr, screen, &dst);
        SDL_FreeSurface(frame);
    }
    if (repaint)
        SDL_UpdateWindowSurface(gSdl.window);
    else
        SDL_UpdateWindowSurfaceRects(gSdl.window, &dst, 1);
    gSdl.barsDirty = false;
    gSdl.presentedWidth = screen->w;
    gSdl.presentedHeight = screen->h;
}
