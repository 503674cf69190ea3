// Where the frame sits in a window of any size, and which frame pixel lies
// under a window pixel. For the platform, its backends and their tests.
#pragma once

// The frame's place in the window, window pixels.
struct FrameView {
    int x;  // left edge
    int y;  // top edge
    int w;  // width shown
    int h;  // height shown
};

// The largest whole multiple of the frame that fits the window, centred; in a
// window smaller than the frame, the frame shrunk to fit with its shape kept.
// A window with no area shows nothing: all zero.
FrameView FitFrame(int windowW, int windowH, int frameW, int frameH);

// The frame pixel shown at a window pixel, the inverse of FitFrame's view:
// pixels of the bars map outside 0..frame size - 1. For a view with no area
// the result is the window pixel itself.
void WindowToFrame(FrameView view, int frameW, int frameH, int windowX, int windowY, int* frameX, int* frameY);

// A window's inner size and place, and a screen's usable area, desktop pixels.
struct ScreenRect {
    int x, y;
    int w, h;
};

// A window asked to open at `window` kept on a screen whose usable area is
// `area`: shrunk to fit it and, when `onIt` (its middle lies on that screen),
// moved wholly into it. A window too large for any screen would hide its
// title bar and close button.
ScreenRect KeepOnScreen(ScreenRect window, ScreenRect area, bool onIt);
