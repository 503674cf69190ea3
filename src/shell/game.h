// The run's three phases: start-up, one frame (the simulation tick, then the
// drawing around the tiles), and shutdown. The state they work on is in
// shell/state.h.
#pragma once

#include <string>
#include <vector>

#include "shell/state.h"

struct Comforts;

// Creates the player and the 64 chunk records, generates the depths 84 to 115
// and sorts the window: everything of start-up that needs no window.
void SetupWorld(GameInstance* game);
// Frees what SetupWorld allocated.
void FreeWorld(GameInstance* game);
// Every place the tile image is looked for, in order: resources/ under the
// working folder, beside the executable, then in the installed data folder.
std::vector<std::string> TileImagePlaces(void);
// The first of those places that holds a file; when none does, names them all
// on standard error and gives the first.
std::string TileImagePath(void);

// Full start-up: frame rate, world, window, tile texture. False when no window
// could be opened; nothing is left allocated then.
bool StartGame(GameInstance* game, FrameLoop* loop);
// One simulation step: input, motion, camera, streaming, generation, mouse editing.
void GlobalTick(GameInstance* game);
// One frame: the tick, the V key's debug line, then the drawing; with
// `comforts`, the pad's cursor and the panel of controls over it.
void RunFrame(GameInstance* game, FrameLoop* loop, Comforts* comforts = nullptr);
// Shutdown: releases the texture, closes the window, frees the world.
void ShutdownGame(GameInstance* game);
