#include "platform/web/browser_loop.h"

#include <emscripten/emscripten.h>

#include "platform/web/web_pacing.h"

namespace {

struct BrowserLoop {
    BrowserFrame frame = nullptr;
    void* arg = nullptr;
    FramePacer pacer;
    bool unpaced = false;      // the loop's timing is now back to back
    unsigned long frames = 0;  // frames run
};

BrowserLoop gLoop;

void Tick()
{
    const int fps = WebTargetFps();
    if (fps == 0) {
        // A timedemo: as fast as the page lets frames follow each other.
        if (!gLoop.unpaced) emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
        gLoop.unpaced = true;
    } else {
        if (gLoop.unpaced) {
            emscripten_set_main_loop_timing(EM_TIMING_RAF, 1);
            ResetPacer(&gLoop.pacer);
        }
        gLoop.unpaced = false;
        // Before the first frame the rate is not known yet: that frame runs at once.
        if (fps > 0 && !FrameDue(&gLoop.pacer, emscripten_get_now(), 1000.0 / fps)) return;
    }
    gLoop.frames++;
    if (!gLoop.frame(gLoop.arg)) emscripten_cancel_main_loop();
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
}

unsigned long BrowserFramesRun(void) { return gLoop.frames; }
