// The layer's side of a paused game: a kept copy of the frame to show again,
// and slow polls that leave the processor alone while nothing happens.
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

}  // namespace

void KeepFrame(void)
{
    if (L.open) gKept = L.frame;
}

void DrawKeptFrame(void)
{
    if (!L.open) return;
    if (gKept.size() == L.frame.size())
        L.frame = gKept;
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
    if (BackendNeedsRepaint()) BackendPresent(L.frame.data(), L.width, L.height);
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
