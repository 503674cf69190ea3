// Saves the desktop build's first frame, headless, as a PNG: what the browser
// build's first frame must equal, pixel for pixel (tests/web/browser_test.js).
// Usage: delve_first_frame FILE.png   (run where the game finds resources/)
#include <cstdio>

#include "harness/headless.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.png\n", argv[0]);
        return 2;
    }
    HeadlessRun run;
    if (!StartHeadless(&run)) return 1;
    RunFrames(&run, 1);
    const bool ok = TakeScreenshot(argv[1]);
    StopHeadless(&run);
    if (!ok) std::fprintf(stderr, "delve_first_frame: cannot write %s\n", argv[1]);
    return ok ? 0 : 1;
}
