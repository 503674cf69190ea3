// The layer's side of a paused game: a kept copy of the frame to show again,
// and slow polls that leave the processor alone while nothing happens.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "platform/backend.h"
#include "platform/internal.h"
#include "platform/platform.h"

using namespace platform;

namespace {

// A paused poll waits this long first: twenty polls a second answer a key at
// once to the eye and cost next to nothing.
constexpr int WAITING_POLL_MS = 50;

bool gWaiting = false;
std::vector<uint32_t> gKept;  // a copy of the frame; empty until KeepFrame

// Pixels in the frame.
size_t FramePixels() { return static_cast<size_t>(render::FrameWidth()) * static_cast<size_t>(render::FrameHeight()); }

}  // namespace

void KeepFrame(void)
{
    if (W.open) gKept.assign(render::FramePixels(), render::FramePixels() + FramePixels());
}

void DrawKeptFrame(void)
{
    if (!W.open) return;
    if (gKept.size() == FramePixels())
        std::copy(gKept.begin(), gKept.end(), render::FramePixels());
    else
        ClearBackground(Color{0, 0, 0, 255});
}

void EnableEventWaiting(void) { gWaiting = true; }
void DisableEventWaiting(void) { gWaiting = false; }

namespace platform {

void BeforePoll()
{
    if (gWaiting) BackendIdle(WAITING_POLL_MS);
}

void AfterPoll()
{
    if (!gWaiting) return;
    // Nothing is drawn while paused, so the desktop's requests are answered
    // here, from the frame last shown.
    if (BackendNeedsRepaint()) BackendPresent(render::FramePixels(), render::FrameWidth(), render::FrameHeight());
    if (W.screenshotRequested) {
        W.screenshotRequested = false;
        render::SaveNumberedScreenshot();
    }
}

void ForgetKeptFrame()
{
    gKept.clear();
    gKept.shrink_to_fit();
    gWaiting = false;
}

}  // namespace platform
