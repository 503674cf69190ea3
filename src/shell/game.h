// The game state record and the run's three phases: start-up, one frame (the
// simulation tick, then the drawing around the tiles), and shutdown.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "platform/platform.h"
#include "world/world.h"

struct Entity;

struct GameInstance {
    Entity* player = nullptr;                   // the player's body, owned for the whole run
    int32_t playerchunk = 0;                    // player's chunkdepth at the start of this tick
    Vector2 CameraPosition{};                   // world pixels at the window's bottom-left corner
    Vector2 CameraCenterOffset{};               // pixels from the player's scaled pos to the camera's goal
    int32_t WindowWidth = 0;                    // window width, pixels
    int32_t WindowHeight = 0;                   // window height, pixels
    Chunk* world[RESIDENT_CHUNKS] = {};         // resident slots, ascending replacementdepth; id == slot
    int32_t HighestChunk = 0;                   // shallowest assigned depth
    int32_t LowestChunk = 0;                    // deepest assigned depth, held by slot 63
    std::list<Chunk*> UnloadedChunks;           // records waiting for generation, first in first out
    std::list<Entity*> Entities;                // every body the tick moves, in order
    Texture2D textures[1] = {};                 // the tile texture
};

// State the frame loop keeps beside the game.
struct FrameLoop {
    float iterationfloat = 0.0f;  // the corner triangle's angle, radians; +0.1 per frame
    bool FREEZE = false;          // V was held at the previous frame's sample
};

// Creates the player and the 64 chunk records, generates the depths 84 to 115
// and sorts the window: everything of start-up that needs no window.
void SetupWorld(GameInstance* game);
// Frees what SetupWorld allocated.
void FreeWorld(GameInstance* game);
// Where the tile image is: resources/ under the working folder, else beside the
// executable, else in the installed data folder.
std::string TileImagePath(void);

// Full start-up: frame rate, world, window, tile texture. False when no window
// could be opened; nothing is left allocated then.
bool StartGame(GameInstance* game, FrameLoop* loop);
// One simulation step: input, motion, camera, streaming, generation, mouse editing.
void GlobalTick(GameInstance* game);
// One frame: the tick, the V key's debug line, then the drawing.
void RunFrame(GameInstance* game, FrameLoop* loop);
// Shutdown: releases the texture, closes the window, frees the world.
void ShutdownGame(GameInstance* game);
