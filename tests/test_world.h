// Shared test scaffolding: a start-up world without a window, and ways to lay
// out tiles by their world position.
#pragma once

#include <gtest/gtest.h>

#include "entities/entity.h"
#include "shell/game.h"
#include "world/world.h"

// The tile whose top edge is at whole-number height `top`, in the current window.
inline Tile& TileWithTop(GameInstance* g, int column, int top)
{
    Tile* t = TileWithTopEdge(g, column, top);
    EXPECT_NE(t, nullptr) << "column " << column << " at height " << top << " is not resident";
    static Tile scratch;
    return t ? *t : scratch;
}

// Empties every resident tile.
inline void ClearTerrain(GameInstance* g)
{
    for (Chunk* c : g->world)
        for (auto& column : c->wd)
            for (Tile& t : column) t.v = 0;
}

// Makes a row of tiles solid: columns [from, to], top edge at `top`.
inline void SolidRow(GameInstance* g, int from, int to, int top)
{
    for (int x = from; x <= to; x++) TileWithTop(g, x, top).v = 1;
}

// A start-up world, the zoom at its start value, no window.
struct WorldFixture : testing::Test {
    GameInstance game;
    void SetUp() override
    {
        WORLDSCALE = 16;
        SetupWorld(&game);
    }
    void TearDown() override { FreeWorld(&game); }
};
