// One run of the game as every entry drives it: the game, its frame loop, the
// demo being recorded or played and the pause and panel, stepped a frame at a
// time. The desktop's main loops over StepFrame; the browser's page calls it
// from its own scheduling.
#pragma once

#include "shell/comforts.h"
#include "shell/demo.h"
#include "shell/game.h"
#include "shell/state.h"

struct Session {
    GameInstance game;  // the world, the player and the camera
    FrameLoop loop;     // what the frame loop keeps beside the game
    Demo demo;          // the demo being recorded or played, if any
    Comforts comforts;  // P's pause and F1's panel
};

// One frame: the pause (a paused frame is no frame of the game: no tick,
// nothing recorded), the demo's input before the frame, the tick and the
// drawing, the demo's record after it. Returns false, having run nothing,
// once no further frame should run: the window is closing or the demo is over.
bool StepFrame(Session* session);
