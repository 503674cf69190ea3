// The layer's side of a paused game: a kept copy of the frame to show again,
// and slow polls that leave the processor alone while nothing happens.
#include <SDL.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/layer.h"
#include "platform/platform.h"

using namespace layer;

namespace {

// A paused poll sleeps this long first: twenty polls a second answer a key at
// once to the eye and cost next to nothing.
constexpr long WAITING_POLL_NS = 50'000'000;

bool gWaiting = false;
std::vector<Uint32> gKept;  // ARGB8888, the frame's size; empty until KeepFrame

}  // namespace

void KeepFrame(void)
{
    if (!L.open) return;
    FlushBatch();
    if (L.frame) SDL_SetRenderTarget(L.renderer, L.frame);
    gKept.resize(static_cast<size_t>(L.width) * static_cast<size_t>(L.height));
    const int pitch = L.width * static_cast<int>(sizeof(Uint32));
    if (SDL_RenderReadPixels(L.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, gKept.data(), pitch) != 0) gKept.clear();
}

void DrawKeptFrame(void)
{
    if (!L.open) return;
    FlushBatch();
    if (gKept.empty()) {
        ClearBackground(Color{0, 0, 0, 255});
        return;
    }
    const int pitch = L.width * static_cast<int>(sizeof(Uint32));
    if (L.software) {
        // Whatever SDL still holds goes first, then the copy overwrites it all.
        SDL_RenderFlush(L.renderer);
        SDL_Surface* s = L.frameSurface;
        for (int y = 0; y < L.height; ++y)
            std::memcpy(static_cast<unsigned char*>(s->pixels) + static_cast<ptrdiff_t>(y) * s->pitch,
                        gKept.data() + static_cast<size_t>(y) * static_cast<size_t>(L.width),
                        static_cast<size_t>(pitch));
        return;
    }
    SDL_Texture* copy =
        SDL_CreateTexture(L.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, L.width, L.height);
    if (!copy) return;
    SDL_SetTextureBlendMode(copy, SDL_BLENDMODE_NONE);
    SDL_UpdateTexture(copy, nullptr, gKept.data(), pitch);
    SDL_RenderCopy(L.renderer, copy, nullptr, nullptr);
    SDL_DestroyTexture(copy);
}

void EnableEventWaiting(void) { gWaiting = true; }
void DisableEventWaiting(void) { gWaiting = false; }

namespace layer {

void BeforePoll()
{
    if (!gWaiting) return;
    timespec pause{0, WAITING_POLL_NS};
    // A signal cuts the sleep short; the poll then sees what it asked for.
    nanosleep(&pause, nullptr);
}

void AfterPoll()
{
    if (!gWaiting) return;
    // Nothing is drawn while paused, so the desktop's requests are answered here.
    if (L.barsDirty) PresentFrame();
    if (L.screenshotRequested) {
        L.screenshotRequested = false;
        SaveNumberedScreenshot();
    }
}

void ForgetKeptFrame()
{
    gKept.clear();
    gKept.shrink_to_fit();
    gWaiting = false;
}

}  // namespace layer
