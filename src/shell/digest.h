// A 64-bit digest of everything the simulation holds, to tell whether two
// runs (or two builds) computed the same game.
#pragma once

#include <cstdint>

struct GameInstance;
struct FrameLoop;

// xxHash (XXH3, 64 bits) over the player, the zoom, the camera, the window's
// bookkeeping, the generation queue, every resident tile and the frame loop's
// state. Fields are fed one by one in a fixed order and byte order, so the
// digest is the same on every build that computes the same game.
uint64_t StateDigest(const GameInstance* game, const FrameLoop* loop);
