// What a desktop player expects around the game itself: the pause (P), the
// panel of controls (F1) and the gamepad's cursor, drawn over the frame. None
// of it touches the game's state, and a paused frame is not a frame of the
// game: no tick runs, and a demo records nothing for it.
#pragma once

struct Comforts {
    bool paused = false;     // P: no tick runs, the last frame stays on screen
    bool overlay = false;    // F1: the controls are drawn over the frame
    bool redraw = false;     // the paused picture must be shown again
    bool keptFresh = false;  // the kept frame is the last one, as the game drew it
};

// Before each frame: P toggles the pause and F1 the panel (the pad's Start and
// Back are the same keys). While paused it shows the kept picture again, with
// a "paused" line and the panel, only when something changed, and otherwise
// just waits for input; it returns true then, and the frame does not run.
bool PausedFrame(Comforts* comforts);
// Over the frame the game drew, before it is shown: the pad's cursor and the
// panel. The picture under them is kept first, for a pause to show again.
void DrawComforts(Comforts* comforts);
// The panel of controls: keys, gamepad buttons and command-line options,
// light text on a dark translucent panel.
void DrawControls(void);
// The band across the frame that says the game is paused.
void DrawPausedLine(void);
