// Moving bodies: the entity record, the player's keyboard input (and the zoom
// keys), and one tick of motion with gravity, friction and the world's width.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct GameInstance;

struct Entity {
    Vector2 pos{};                  // top-left corner of the body, tiles (y upward)
    Vector2 vel{};                  // tiles per tick
    Vector2 acc{};                  // tiles per tick per tick, added to vel every tick
    Vector2 size{0.8f, 1.8f};       // width and height, tiles
    bool istouchingground = false;  // the last sweep refused a step downward
    int32_t chunkdepth = 0;         // depth of the chunk holding pos.y, as of the last tick
};

// Largest zoom the plus key reaches: far beyond any use, and small enough that
// every pixel product of the world (256 columns, any resident depth) fits the arithmetic.
constexpr int32_t MAX_WORLDSCALE = 1 << 20;

// Sets the player's acceleration and jump from the keys held, and applies the zoom keys.
void InputHandle(Entity* player);
// Moves one body by one tick: acceleration, gravity, the sweep, the width clamp, friction, chunk depth.
void TickEntity(Entity* a, GameInstance* g);
