// The collision sweep and one tick of motion, on hand-laid tiles.
#include <gtest/gtest.h>

#include "entities/entity.h"
#include "entities/sweep.h"
#include "shell/game.h"
#include "test_world.h"

namespace {

struct SweepTest : WorldFixture {
    Entity body;
    void SetUp() override
    {
        WorldFixture::SetUp();
        ClearTerrain(&game);
    }
    // Places the body with its top-left corner at (x, y), moving at (vx, vy).
    void Place(float x, float y, float vx, float vy)
    {
        body.pos = Vector2{x, y};
        body.vel = Vector2{vx, vy};
        body.acc = Vector2{0.0f, 0.0f};
        body.chunkdepth = DepthOfHeight(y);
    }
};

TEST_F(SweepTest, ZeroVelocityLeavesTheBodyWhereItIs)
{
    Place(100.0f, -1608.0f, 0.0f, 0.0f);
    body.istouchingground = true;
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 100.0f);
    EXPECT_EQ(body.pos.y, -1608.0f);
    EXPECT_FALSE(body.istouchingground);
}

TEST_F(SweepTest, ABodyAtRestOnAFloorRefusesGravitysStep)
{
    // Lowest probe 0.05 above the floor's top edge at -1610.
    SolidRow(&game, 95, 105, -1610);
    Place(100.2f, -1610.0f + 1.75f, 0.0f, -0.1f);
    float before = body.pos.y;
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, before);
    EXPECT_EQ(body.vel.y, 0.0f);
    EXPECT_TRUE(body.istouchingground);

    body.vel.y = -0.2f;  // S held on the ground: still refused
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, before);
    EXPECT_TRUE(body.istouchingground);
}

TEST_F(SweepTest, AFallOntoAFloorStopsShortByTheRefusedStep)
{
    // Lowest probe at -1605.8, floor top at -1607: a fall of 1.3 moves 0.5, 0.5, then refuses 0.3.
    SolidRow(&game, 95, 105, -1607);
    Place(100.2f, -1604.1f, 0.0f, -1.3f);
    float start = body.pos.y;
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, (start - 0.5f) - 0.5f);
    EXPECT_NEAR(body.pos.y - 1.7f - (-1607.0f), 0.2f, 1e-3f);
    EXPECT_EQ(body.vel.y, 0.0f);
    EXPECT_TRUE(body.istouchingground);
}

TEST_F(SweepTest, AJumpIntoACeilingIsRefusedWithoutLanding)
{
    // Ceiling tile spans (-1600, -1599]: its bottom edge is 0.3 above the body's top.
    SolidRow(&game, 95, 105, -1599);
    Place(100.2f, -1600.3f, 0.0f, 1.4f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, -1600.3f);
    EXPECT_EQ(body.vel.y, 0.0f);
    EXPECT_FALSE(body.istouchingground);
}

TEST_F(SweepTest, DiagonalIntoAWallStopsSidewaysButKeepsFalling)
{
    for (int top = -1620; top <= -1595; top++) TileWithTop(&game, 101, top).v = 1;
    Place(100.25f, -1605.0f, 0.9f, -0.6f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 100.25f);
    EXPECT_EQ(body.vel.x, 0.0f);
    EXPECT_EQ(body.pos.y, (-1605.0f - 0.5f) - 0.1f);
    EXPECT_EQ(body.vel.y, -0.6f);
}

TEST_F(SweepTest, EveryRowIsProbedInEveryColumnTheFootprintTouches)
{
    // A tile at head height, only in the column the body's right edge steps
    // into: the horizontal step is refused.
    TileWithTop(&game, 101, -1605).v = 1;
    Place(100.25f, -1605.5f, 0.5f, 0.0f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 100.25f);
    EXPECT_EQ(body.vel.x, 0.0f);

    // A body taller than a chunk: its lowest probe, at -1632.95, reads the
    // bottom row of the chunk below its own (row 0, at -1632), which is free.
    body.size = Vector2{0.8f, 16.5f};
    Place(100.2f, -1616.5f, 0.0f, -0.05f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, -1616.5f - 0.05f);
    EXPECT_FALSE(body.istouchingground);
}

TEST_F(SweepTest, ABodySteppingOverABlocksLeftEdgeLandsOnIt)
{
    // Block top at -1610 in columns 101..103; the body's lowest probe sits 0.3 above it,
    // its right probe just left of column 101. The horizontal step at the old height is
    // free; the vertical step at the new column meets the block's top.
    SolidRow(&game, 101, 103, -1610);
    Place(100.25f, -1610.0f + 1.7f + 0.3f, 0.5f, -0.5f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 100.75f);
    EXPECT_FLOAT_EQ(body.pos.y, -1610.0f + 1.7f + 0.3f);
    EXPECT_TRUE(body.istouchingground);
    EXPECT_EQ(body.vel.x, 0.5f);
}

TEST_F(SweepTest, NoSpeedCarriesABodyThroughAOneTileFloor)
{
    SolidRow(&game, 90, 110, -1650);
    Place(100.2f, -1610.0f, 0.0f, -3.99f);
    for (int tick = 0; tick < 40; tick++) {
        body.vel.y = -3.99f;
        EntityVelStep(&body, &game);
        body.chunkdepth = DepthOfHeight(body.pos.y);
    }
    EXPECT_GT(body.pos.y - 1.7f, -1650.0f);
    EXPECT_TRUE(body.istouchingground);
}

TEST_F(SweepTest, TheWorldsSideEdgesHoldTheBody)
{
    // Left: probes between -1 and 0 read column 0, not column 255.
    SolidRow(&game, 255, 255, -1609);
    Place(0.2f, -1608.0f, -0.5f, 0.0f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 0.2f - 0.5f);
    TileWithTop(&game, 0, -1609).v = 1;
    Place(0.2f, -1608.0f, -0.5f, 0.0f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 0.2f);
    EXPECT_EQ(body.vel.x, 0.0f);

    // Right: a probe of column 256 meets the edge as a wall.
    Place(255.0f, -1608.0f, 0.9f, 0.0f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 255.0f);
    EXPECT_EQ(body.vel.x, 0.0f);
}

TEST_F(SweepTest, ProbesOutsideTheResidentWindowAreSolid)
{
    // Top of the window: depth 84 is the shallowest assigned; above it the
    // never-assigned records sit, but far beyond the window nothing is resident.
    Place(100.2f, -16.0f * 20, 0.0f, -0.5f);  // depth 20: slot -32
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, -320.0f);
    EXPECT_TRUE(body.istouchingground);

    // A row more than a chunk below the recorded chunk cannot be named: refused.
    Place(100.2f, -1608.0f, 0.0f, -0.5f);
    body.chunkdepth = 98;  // stale by three chunks
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, -1608.0f);
}

TEST_F(SweepTest, BetweenHeightsFifteenAndSixteenThePhasesReadDifferentChunks)
{
    // A window reaching above height 0: slot 61 holds depth -1, slot 62 depth 0.
    for (int i = 0; i < RESIDENT_CHUNKS; i++) game.world[i]->depth = game.world[i]->replacementdepth = i - 62;
    Tile& geometric = game.world[61]->wd[10][0];  // depth -1, row 0: spans heights 15 to 16
    Tile& lower = game.world[62]->wd[10][0];      // depth 0, row 0: spans heights -1 to 0

    // The vertical phase rounds the probe up into depth -1 and sees the tile there.
    geometric.v = 1;
    Place(10.1f, 15.5f, 0.0f, -0.1f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, 15.5f);
    // The horizontal phase truncates into depth 0 and reads its row 0, 16 rows lower.
    Place(10.1f, 15.5f, 0.1f, 0.0f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 10.1f + 0.1f);

    geometric.v = 0;
    lower.v = 1;
    Place(10.1f, 15.5f, 0.1f, 0.0f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 10.1f);
    EXPECT_EQ(body.vel.x, 0.0f);
}

TEST_F(SweepTest, HugeVelocitiesEndTheSweep)
{
    // A remainder that half a tile no longer shrinks is dropped after one
    // step, rather than carrying the body on until something stops it.
    Place(100.2f, -1608.0f, 1e30f, -1e30f);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.x, 100.2f + 0.5f);
    EXPECT_EQ(body.pos.y, -1608.0f - 0.5f);
    Place(100.2f, -1608.0f, 0.0f, 16777216.0f * 2);
    EntityVelStep(&body, &game);
    EXPECT_EQ(body.pos.y, -1608.0f + 0.5f);
}

// ---- Motion over many ticks -------------------------------------------------

struct MotionTest : SweepTest {
    // Runs n ticks of motion with a fixed acceleration.
    void Ticks(int n, Vector2 acc)
    {
        for (int i = 0; i < n; i++) {
            body.acc = acc;
            TickEntity(&body, &game);
        }
    }
};

TEST_F(MotionTest, WalkingSettlesJustUnderATilePerTick)
{
    SolidRow(&game, 0, 255, -1610);
    Place(20.0f, -1610.0f + 1.75f, 0.0f, 0.0f);
    Ticks(120, Vector2{0.1f, 0.0f});
    EXPECT_NEAR(body.vel.x, 0.9f, 1e-5f);
    EXPECT_LT(body.vel.x, 0.9f + 1e-6f);
    EXPECT_TRUE(body.istouchingground);
    EXPECT_EQ(body.vel.y, 0.0f);

    float v = body.vel.x;
    Ticks(1, Vector2{0.0f, 0.0f});
    EXPECT_FLOAT_EQ(body.vel.x, v * 0.75f);  // stopping on the ground: a quarter per tick
}

TEST_F(MotionTest, HoldingRightAtTheEdgeNeverLeavesTheWorld)
{
    SolidRow(&game, 0, 255, -1610);
    Place(250.0f, -1610.0f + 1.75f, 0.0f, 0.0f);
    for (int i = 0; i < 30; i++) {
        Ticks(1, Vector2{0.1f, 0.0f});
        EXPECT_LE(body.pos.x, 255.0f);
    }
}

TEST_F(MotionTest, FallingSettlesAtTwoTilesPerTickAndFourWithS)
{
    Place(100.0f, -1340.0f, 0.0f, 0.0f);
    Ticks(150, Vector2{0.0f, 0.0f});
    EXPECT_NEAR(body.vel.y, -1.9f, 1e-3f);
    EXPECT_FALSE(body.istouchingground);

    Place(100.0f, -1340.0f, 0.0f, 0.0f);
    Ticks(110, Vector2{0.0f, -0.1f});
    EXPECT_NEAR(body.vel.y, -3.8f, 0.02f);

    // Gravity's 0.1 is taken off in double and the result rounded once: a
    // drift of -0.02 becomes the float nearest -0.12, where taking off 0.1f
    // in single precision would land one step further down.
    Place(100.0f, -1340.0f, 0.0f, -0.02f);
    Ticks(1, Vector2{0.0f, 0.0f});
    EXPECT_EQ(body.vel.y, -0.12f * 0.95f);
}

TEST_F(MotionTest, AJumpPeaksAfterTheEleventhTickAboutSevenTilesUp)
{
    SolidRow(&game, 90, 110, -1610);
    Place(100.2f, -1610.0f + 1.75f, 0.0f, 0.0f);
    Ticks(3, Vector2{0.0f, 0.0f});
    ASSERT_TRUE(body.istouchingground);
    float start = body.pos.y;
    body.vel.y += 1.5f;  // what the W key does on the ground
    int apexTick = 0;
    float apex = start;
    for (int tick = 1; tick <= 30; tick++) {
        Ticks(1, Vector2{0.0f, 0.0f});
        if (tick == 1) {
            EXPECT_NEAR(body.pos.y - start, 1.4f, 1e-4f);
        }
        if (body.pos.y > apex) {
            apex = body.pos.y;
            apexTick = tick;
        }
    }
    EXPECT_EQ(apexTick, 11);
    EXPECT_NEAR(apex - start, 7.3f, 0.05f);
    EXPECT_TRUE(body.istouchingground);  // back on the floor
}

TEST_F(MotionTest, ChunkDepthFollowsTheBodysHeight)
{
    Place(100.0f, -1600.5f, 0.0f, -0.6f);  // crosses -1601 into depth 101
    body.chunkdepth = 100;
    Ticks(1, Vector2{0.0f, 0.0f});
    EXPECT_EQ(body.chunkdepth, 101);
}

}  // namespace
