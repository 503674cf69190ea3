#include "backends/web/browser_loop.h"

#include <emscripten/emscripten.h>

#include "backends/web/web_pacing.h"

namespace {

struct BrowserLoop {
    BrowserFrame frame = nullptr;
    void* arg = nullptr;
    FramePacer pacer;
    bool immediate = false;  // the page calls Tick again at once, not at its next animation frame
};

BrowserLoop gLoop;

// Unpaced frames run in slices this long, milliseconds, the last of them
// shown, so the page still shows what is going on, ten times a second. Each
// turn the page gets costs the browser 1-3 ms (the canvas's upload, its
// painting), on a 2-core machine mostly out of the frames' own time: at 60
// turns a second that was a tenth of a timedemo's time.
constexpr double UNPACED_SLICE_MS = 100.0;

// No further frames: the last one drawn stays on the page.
void Stop()
{
    emscripten_cancel_main_loop();
    WebShowLastFrame();
}

// Whether the page calls Tick again at once or at its next animation frame;
// paced frames start their schedule afresh.
void CallAtOnce(bool immediate)
{
    if (immediate == gLoop.immediate) return;
    gLoop.immediate = immediate;
    if (immediate) {
        emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    } else {
        emscripten_set_main_loop_timing(EM_TIMING_RAF, 1);
        ResetPacer(&gLoop.pacer);
    }
}

void Tick()
{
    const int fps = WebTargetFps();
    if (fps == 0) {
        // A timedemo: frames back to back for a slice of time, the last of
        // them put on the canvas, then the page gets its turn (to show it, to
        // take events) and the next slice follows at once.
        CallAtOnce(true);
        const double start = emscripten_get_now();
        do {
            if (!gLoop.frame(gLoop.arg)) {
                Stop();
                return;
            }
        } while (WebTargetFps() == 0 && emscripten_get_now() - start < UNPACED_SLICE_MS);
        WebShowLastFrame();
        return;
    }
    // With no rate yet (no window) a frame runs at once, and the rate it sets
    // decides when the next one does.
    if (fps > 0) {
        CallAtOnce(false);
        if (!FrameDue(&gLoop.pacer, emscripten_get_now(), 1000.0 / fps)) return;
    }
    if (!gLoop.frame(gLoop.arg)) {
        Stop();
        return;
    }
    if (WebTargetFps() != 0) CallAtOnce(false);
}

}  // namespace

void RunBrowserFrames(BrowserFrame frame, void* arg)
{
    gLoop = BrowserLoop{};
    gLoop.frame = frame;
    gLoop.arg = arg;
    // 0: the browser's animation frames, whatever the display's rate; the
    // pacer picks the ones a frame falls due in.
    emscripten_set_main_loop(Tick, 0, 0);
    // The first frame runs at once rather than at the next animation frame: a
    // timedemo's clock is running already.
    CallAtOnce(true);
}
