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

// Most wheel notches one tick applies: a real wheel turns a few per frame; the
// bound keeps a wild value (a broken device, a bad recording) from looping long.
constexpr int32_t MAX_WHEEL_NOTCHES = 64;

// Sets the player's acceleration and jump from the keys held, and applies the
// zoom: keypad - and +, the main row's - and =, and each wheel notch.
void InputHandle(Entity* player);
// One zoom step: out (direction < 0) only while WORLDSCALE > 1, in (direction
// > 0) up to MAX_WORLDSCALE. Every zoom key and wheel notch goes through it.
void ZoomStep(int direction);
// Moves one body by one tick: acceleration, gravity, the sweep, the width clamp, friction, chunk depth.
void TickEntity(Entity* a, GameInstance* g);
