// The layer's side of a paused game: a kept copy of the frame to show again,
// and slow polls that leave the processor alone while nothing happens.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "platform/backend.h"
#include "platform/layer.h"
#include "platform/platform.h"

using namespace layer;

namespace {

// A paused poll waits this long first: twenty polls a second answer a key at
// once to the eye and cost next to nothing.
constexpr int WAITING_POLL_MS = 50;

bool gWaiting = false;
std::vector<uint32_t> gKept;  // a copy of the frame; empty until KeepFrame

// Pixels in the frame.
size_t FramePixels() { return static_cast<size_t>(L.width) * static_cast<size_t>(L.height); }

}  // namespace

void KeepFrame(void)
{
    if (L.open) gKept.assign(L.frame, L.frame + FramePixels());
}

void DrawKeptFrame(void)
{
    if (!L.open) return;
    if (gKept.size() == FramePixels())
        std::copy(gKept.begin(), gKept.end(), L.frame);
    else
        ClearBackground(Color{0, 0, 0, 255});
}

void EnableEventWaiting(void) { gWaiting = true; }
void DisableEventWaiting(void) { gWaiting = false; }

namespace layer {

void BeforePoll()
{
    if (gWaiting) BackendIdle(WAITING_POLL_MS);
}

void AfterPoll()
{
    if (!gWaiting) return;
    // Nothing is drawn while paused, so the desktop's requests are answered
    // here, from the frame last shown.
    if (BackendNeedsRepaint()) BackendPresent(L.frame, L.width, L.height);
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
