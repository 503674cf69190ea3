// The schedule of paced frames in a browser: which of the page's animation
// frames a game frame falls due in. Pure arithmetic on the page's clock, so
// that it is tested without a page.
#pragma once

// Where the schedule stands.
struct FramePacer {
    bool started = false;  // a frame has run since the last reset
    double next = 0.0;     // when the next frame falls due, milliseconds on the page's clock
};

// A frame may run this much before it falls due: an animation frame comes at
// the display's rate, and one a little early is better than one a whole
// display frame late. A quarter of a 60 Hz display's frame, milliseconds.
constexpr double FRAME_EARLY_MS = 4.0;

// Whether a frame runs at `now` (milliseconds) with frames `periodMs` apart;
// if so the schedule moves on by one period. The first call after a reset
// always runs. A schedule left more than a period behind (a hidden tab, a
// stall) starts afresh from now: no burst of frames to catch up.
bool FrameDue(FramePacer* pacer, double now, double periodMs);
// Starts the schedule afresh at the next call.
void ResetPacer(FramePacer* pacer);
