// A whole game under SDL's dummy video driver, started, run and shut down the
// way the real binary does it: the one harness of the headless tests, the
// benchmarks and the screenshot tool. It needs no test framework.
#pragma once

#include "shell/game.h"

struct HeadlessRun {
    GameInstance game;
    FrameLoop loop;
    bool started = false;  // StartHeadless opened the window: StopHeadless shuts the game down
};

// The zoom a game starts at, pixels per tile; a run starts there unless told otherwise.
constexpr int START_ZOOM = 16;

// Starts the game as main does, on SDL's dummy video driver unless
// SDL_VIDEODRIVER names another, at `zoom` pixels per tile and paced at `fps`
// frames per second (0: as fast as it can). False when no window could be opened.
bool StartHeadless(HeadlessRun* run, int zoom = START_ZOOM, int fps = 0);
// Runs whole frames, as main's loop does.
void RunFrames(HeadlessRun* run, int frames);
// Shuts the game down if it started, and puts the zoom back to its start value.
void StopHeadless(HeadlessRun* run);

// Puts the camera where it rests on the player, so the view needs no glide.
void SettleCameraOnPlayer(GameInstance* game);
// Empties the tiles around the player, as a digging player would: the columns
// from `left` to `right` of the player's column (left negative), and the rows
// whose top edge lies from `below` rows under the player's top edge to `above`
// rows over it. Tiles that are not resident are left alone.
void CarveAroundPlayer(GameInstance* game, int left, int right, int below, int above);
