// What the browser's entry keeps while the page runs its frames: main returns
// at once, so the run lives here. The test page's build reads it (its probes).
#pragma once

#include "shell/session.h"

struct WebRun {
    Session session;           // the game, its loop, the demo and the pause
    int status = -1;           // the demo's exit status once it is over; -1 while running
    unsigned long frames = 0;  // frames the page has run, paused ones too
};

// The run, from main's start until the page is closed.
extern WebRun* gRun;
