// The frame's life: made when the window opens, dropped with it.
#include "render/frame.h"

#include <cstdint>

#include "render/canvas.h"

namespace render {

Canvas R;

bool CreateFrame(int width, int height)
{
    R = Canvas{};
    if (width <= 0 || height <= 0 || width > MAX_FRAME_SIDE || height > MAX_FRAME_SIDE) return false;
    R.width = width;
    R.height = height;
    // Half a page away from where a window's pixels start in theirs: a row copied
    // between places a few bytes apart in their pages would stall on every store.
    R.frameStore.assign(static_cast<size_t>(width) * static_cast<size_t>(height) + 1024, 0xFF000000u);
    R.frame = R.frameStore.data() + (2048 - reinterpret_cast<uintptr_t>(R.frameStore.data()) % 4096) % 4096 / 4;
    R.texelColumns.resize(static_cast<size_t>(width));
    // Room for the columns of rows of small quads wider than the frame, so
    // that drawing a zoomed-out view allocates nothing.
    const size_t quads = 2 * static_cast<size_t>(width) + 512;
    R.rowColumns.lefts.reserve(quads);
    R.rowColumns.quads.reserve(quads);
    R.rowColumns.texels.reserve(2 * quads);
    R.rowColumns.pixels.reserve(quads);
    R.rowColumns.pixelTexels.reserve(quads);
    return true;
}

void DestroyFrame() { R = Canvas{}; }  // the textures, the captions and the font with it

bool HasFrame() { return R.frame != nullptr; }
uint32_t* FramePixels()
{
    FlushPendingRow();  // the quads held back are part of the frame
    return R.frame;
}
int FrameWidth() { return R.width; }
int FrameHeight() { return R.height; }

}  // namespace render
