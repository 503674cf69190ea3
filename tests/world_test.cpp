// Tile addressing and the start-up window.
#include <gtest/gtest.h>

#include "entities/entity.h"
#include "shell/game.h"
#include "test_world.h"
#include "world/streaming.h"
#include "world/world.h"

namespace {

using WorldTest = WorldFixture;

struct AddressCase {
    Vector2 pos;
    int chunkid;
    int x;
    int y;
    bool stop;
};

TEST_F(WorldTest, GetTileFromPosMatchesTheWorkedAddresses)
{
    const AddressCase cases[] = {
        {{100.0f, -1608.0f}, 49, 100, 8, false},  // the player's start
        {{37.9f, -1601.5f}, 49, 37, 15, false},
        {{10.0f, -1601.0f}, 49, 10, 15, false},  // boundary of 100 and 101 belongs below
        {{10.0f, -1600.9f}, 48, 10, 0, false},
        {{10.0f, -1600.0f}, 48, 10, 0, false},
        {{37.2f, -1585.0f}, 48, 37, 15, false},
        {{37.2f, -1584.5f}, 47, 37, 0, false},
        {{10.0f, -1330.0f}, 32, 10, 14, false},
        {{10.0f, -1320.0f}, 31, 10, 8, false},   // a record never assigned a depth
        {{10.0f, -1850.0f}, 64, 10, 6, true},    // the first depth below the window
        {{10.0f, -1857.0f}, 65, 10, 15, true},   // below the window
        {{-1.5f, -1608.0f}, 49, 255, 8, false},  // columns wrap
        {{-0.5f, -1608.0f}, 49, 0, 8, false},
        {{300.2f, -1608.0f}, 49, 44, 8, false},
    };
    for (const AddressCase& c : cases) {
        testing::internal::CaptureStdout();
        GlobalTilePosition p = GetTileFromPos(&game, c.pos);
        std::string out = testing::internal::GetCapturedStdout();
        SCOPED_TRACE(testing::Message() << "pos (" << c.pos.x << ", " << c.pos.y << ")");
        EXPECT_EQ(p.chunkid, c.chunkid);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(out, c.stop ? "STOP\n" : "");
        EXPECT_EQ(IsResidentTile(p), !c.stop);
    }
}

TEST_F(WorldTest, HeightsNearZeroFollowTheDepthRule)
{
    EXPECT_EQ(DepthOfHeight(-0.5f), 0);
    EXPECT_EQ(DepthOfHeight(-1.0f), 1);
    EXPECT_EQ(DepthOfHeight(-16.5f), 1);
    EXPECT_EQ(DepthOfHeight(-17.0f), 2);
    EXPECT_EQ(DepthOfHeight(15.9f), 0);
    EXPECT_EQ(DepthOfHeight(16.0f), -1);
    EXPECT_EQ(DepthOfHeight(1e30f), DepthOfWholeHeight(INT32_MAX));  // saturates, no overflow
    EXPECT_EQ(DepthOfHeight(-1e30f), DepthOfWholeHeight(INT32_MIN));
    EXPECT_EQ(DepthOfHeight(2147483648.0f), DepthOfWholeHeight(INT32_MAX));  // 2^31 itself does not fit either
}

TEST_F(WorldTest, AddressesFarFromTheWindowNeverFoldBackOntoAResidentSlot)
{
    // Through the low 8 bits, 193 chunks below slot 63 would fold onto slot 0,
    // 256 below exactly onto slot 63, and 319 above (slot -256) onto slot 0.
    for (int chunksBelow : {193, 256, 300, 1000, 100000, -319}) {
        float y = -16.0f * (115 + chunksBelow) + 4.0f;  // 4 tiles into that chunk
        testing::internal::CaptureStdout();
        GlobalTilePosition p = GetTileFromPos(&game, Vector2{10.0f, y});
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "STOP\n");
        EXPECT_FALSE(IsResidentTile(p)) << chunksBelow;
    }
}

TEST_F(WorldTest, RowSixteenAboveHeightZeroIsNotResident)
{
    // Between 16k - 1 and 16k the two rounding rules disagree and name row 16.
    game.world[RESIDENT_CHUNKS - 1]->replacementdepth = 0;  // bring height 15.5 into the window
    testing::internal::CaptureStdout();
    GlobalTilePosition p = GetTileFromPos(&game, Vector2{3.0f, 15.5f});
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(p.y, 16);
    EXPECT_FALSE(IsResidentTile(p));
}

TEST_F(WorldTest, StartUpLeavesTheWindowHalfFilledAndSorted)
{
    EXPECT_EQ(game.HighestChunk, 84);
    EXPECT_EQ(game.LowestChunk, 115);
    EXPECT_TRUE(game.UnloadedChunks.empty());
    for (int i = 0; i < RESIDENT_CHUNKS; i++) {
        const Chunk* c = game.world[i];
        EXPECT_EQ(c->id, i);
        if (i < 32) {
            EXPECT_EQ(c->replacementdepth, NEVER_ASSIGNED);
            EXPECT_EQ(c->depth, NEVER_ASSIGNED);
        } else {
            EXPECT_EQ(c->replacementdepth, 84 + i - 32);
            EXPECT_EQ(c->depth, 84 + i - 32);
        }
    }
    for (int d = 84; d <= 115; d++) EXPECT_EQ(SlotOfDepth(&game, d), d - 115 + 63);

    ASSERT_EQ(game.Entities.size(), 1u);
    EXPECT_EQ(game.Entities.front(), game.player);
    EXPECT_EQ(game.player->pos.x, 100.0f);
    EXPECT_EQ(game.player->pos.y, -1608.0f);
    EXPECT_EQ(game.player->chunkdepth, 100);
    EXPECT_EQ(game.player->size.x, 0.8f);
    EXPECT_EQ(game.player->size.y, 1.8f);
    EXPECT_FALSE(game.player->istouchingground);
    EXPECT_EQ(game.CameraPosition.x, 100.0f);
    EXPECT_EQ(game.CameraPosition.y, -1592.0f);
    EXPECT_EQ(game.CameraCenterOffset.x, -320.0f);
    EXPECT_EQ(game.CameraCenterOffset.y, -224.0f);
    EXPECT_EQ(game.WindowWidth, 640);
    EXPECT_EQ(game.WindowHeight, 480);
}

TEST(TileRecord, ConstructionLeavesEveryTileEmptyAndDark)
{
    Chunk* c = new Chunk();
    int lit = 0, solid = 0;
    for (auto& column : c->wd)
        for (const Tile& t : column) {
            lit += t.lightness;
            solid += t.v;
        }
    EXPECT_EQ(lit, 0);
    EXPECT_EQ(solid, 0);
    EXPECT_EQ(c->depth, NEVER_ASSIGNED);
    EXPECT_EQ(c->replacementdepth, NEVER_ASSIGNED);
    delete c;
}

}  // namespace
