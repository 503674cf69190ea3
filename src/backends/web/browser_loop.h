// The frame loop in a browser: the page's own scheduling calls the frame, at
// the rate the layer was last asked for, instead of a loop that would never
// let the page draw. For the web entry (src/main_web.cpp).
#pragma once

// The game's frame: runs one frame and returns false once no further frame
// should run (the game or its demo is over).
using BrowserFrame = bool (*)(void* arg);

// Hands `frame` to the browser and returns at once; main returns after it and
// the page goes on calling the frame. Paced frames (SetTargetFPS above 0) run
// at most one per animation frame, on a schedule that a hidden tab pauses and
// that resumes without catching up; unpaced ones (a timedemo) back to back.
void RunBrowserFrames(BrowserFrame frame, void* arg);
// The frame rate the layer last paced to (BackendWaitFrame's argument): 0
// unpaced, -1 before the first frame. Kept by the browser backend.
int WebTargetFps(void);
// Puts the last frame presented on the canvas if it is not there yet: unpaced
// frames are all drawn but only the last of each slice is put there. Between
// frames only: the frame is read from the renderer. Kept by the browser backend.
void WebShowLastFrame(void);
