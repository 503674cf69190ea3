// The game state record: everything one run of the game keeps, owned by main
// and passed by pointer to every subsystem, and the little the frame loop keeps
// beside it. The run's phases that fill and use it are in shell/game.h.
#pragma once

#include <cstdint>
#include <list>

#include "platform/platform.h"
#include "world/world.h"

struct Entity;

// The window the game opens, pixels. The camera keeps to this width at the
// world's right edge, whatever the live window is.
constexpr int32_t WINDOW_WIDTH = 640;
constexpr int32_t WINDOW_HEIGHT = 480;

struct GameInstance {
    Entity* player = nullptr;            // the player's body, owned for the whole run
    int32_t playerchunk = 0;             // player's chunkdepth at the start of this tick
    Vector2 CameraPosition{};            // world pixels at the window's bottom-left corner
    Vector2 CameraCenterOffset{};        // pixels from the player's scaled pos to the camera's goal
    int32_t WindowWidth = 0;             // window width, pixels
    int32_t WindowHeight = 0;            // window height, pixels
    Chunk* world[RESIDENT_CHUNKS] = {};  // resident slots, ascending replacementdepth; id == slot
    int32_t HighestChunk = 0;            // shallowest assigned depth
    int32_t LowestChunk = 0;             // deepest assigned depth, held by slot 63
    std::list<Chunk*> UnloadedChunks;    // records waiting for generation, first in first out
    std::list<Entity*> Entities;         // every body the tick moves, in order
    Texture2D textures[1] = {};          // the tile texture
};

// State the frame loop keeps beside the game.
struct FrameLoop {
    float iterationfloat = 0.0f;  // the corner triangle's angle, radians; +0.1 per frame
    bool FREEZE = false;          // V was held at the previous frame's sample
};
