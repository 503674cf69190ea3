// The player's glow: seeds full light at the player's tile and spreads it
// through the tiles in and around the view, in place, once per frame.
#pragma once

struct GameInstance;

// Lights the player's tile and passes light on to neighbours: 10 lost into an
// empty tile, 40 into a solid one. Called by drawChunks before drawing.
void lightChunks(GameInstance* game);
