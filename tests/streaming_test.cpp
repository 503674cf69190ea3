// The resident window shifting with the player, and the generation queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "harness/invariants.h"
#include "test_world.h"
#include "world/streaming.h"
#include "world/terrain.h"

namespace {

struct StreamingTest : WorldFixture {
    // The player arrives in `depth`: the tick's event, its output returned.
    std::string Arrive(int depth)
    {
        game.player->chunkdepth = depth;
        testing::internal::CaptureStdout();
        PlayerChangesChunkEvent(&game);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(WindowFault(&game, RESIDENT_CHUNKS), "");  // every record may wait, once
        return out;
    }
    void DrainQueue()
    {
        while (!game.UnloadedChunks.empty()) GenerateQueuedChunk(&game);
    }
    std::vector<int> QueuedDepths()
    {
        std::vector<int> d;
        for (const Chunk* c : game.UnloadedChunks) d.push_back(c->replacementdepth);
        return d;
    }
};

TEST_F(StreamingTest, TheFirstTicksChangeOfChunkLeavesTheWindowAlone)
{
    Chunk* before[RESIDENT_CHUNKS];
    std::copy(std::begin(game.world), std::end(game.world), before);
    EXPECT_EQ(Arrive(101), "");
    EXPECT_TRUE(std::equal(std::begin(game.world), std::end(game.world), before));
    EXPECT_TRUE(game.UnloadedChunks.empty());
    EXPECT_EQ(game.HighestChunk, 84);
    EXPECT_EQ(game.LowestChunk, 115);
}

TEST_F(StreamingTest, TheDownwardWalkFillsTheWindowThenMovesBothEnds)
{
    EXPECT_EQ(Arrive(107), "");
    EXPECT_TRUE(game.UnloadedChunks.empty());

    EXPECT_EQ(Arrive(108), "");  // 108 + 8 > 115
    EXPECT_EQ(game.HighestChunk, 84);
    EXPECT_EQ(game.LowestChunk, 123);
    EXPECT_EQ(QueuedDepths(), (std::vector<int>{116, 117, 118, 119, 120, 121, 122, 123}));
    for (int i = 0; i < 24; i++) EXPECT_EQ(game.world[i]->replacementdepth, NEVER_ASSIGNED);
    for (int i = 24; i < 64; i++) EXPECT_EQ(game.world[i]->replacementdepth, 84 + i - 24);
    EXPECT_EQ(SlotOfDepth(&game, 108), 48);

    // One generated per tick, nearest first; until then a record keeps its old tiles.
    EXPECT_EQ(game.world[56]->depth, NEVER_ASSIGNED);
    GenerateQueuedChunk(&game);
    EXPECT_EQ(game.world[56]->depth, 116);
    EXPECT_EQ(game.world[57]->depth, NEVER_ASSIGNED);
    DrainQueue();
    for (int i = 24; i < 64; i++) EXPECT_EQ(game.world[i]->depth, game.world[i]->replacementdepth);

    EXPECT_EQ(Arrive(107), "");  // back one chunk: no shift back
    EXPECT_EQ(game.LowestChunk, 123);

    Arrive(116);
    Arrive(124);
    Arrive(132);
    EXPECT_EQ(game.HighestChunk, 84);
    EXPECT_EQ(game.LowestChunk, 147);
    EXPECT_EQ(game.world[0]->replacementdepth, 84);  // no record is left unassigned
    DrainQueue();

    Arrive(140);  // now the top-most generated records are recycled
    EXPECT_EQ(game.HighestChunk, 92);
    EXPECT_EQ(game.LowestChunk, 155);
    EXPECT_EQ(QueuedDepths(), (std::vector<int>{148, 149, 150, 151, 152, 153, 154, 155}));
    EXPECT_EQ(SlotOfDepth(&game, 140), 48);
}

TEST_F(StreamingTest, TheUpwardWalkWritesOneLinePerRecycledRecord)
{
    EXPECT_EQ(Arrive(92), "");
    EXPECT_EQ(Arrive(91), "83 115\n82 114\n81 113\n80 112\n79 111\n78 110\n77 109\n76 108\n");
    EXPECT_EQ(game.HighestChunk, 76);
    EXPECT_EQ(game.LowestChunk, 107);
    EXPECT_EQ(QueuedDepths(), (std::vector<int>{83, 82, 81, 80, 79, 78, 77, 76}));
    for (int i = 0; i < 32; i++) EXPECT_EQ(game.world[i]->replacementdepth, NEVER_ASSIGNED);
    for (int i = 32; i < 64; i++) EXPECT_EQ(game.world[i]->replacementdepth, 76 + i - 32);
    EXPECT_EQ(SlotOfDepth(&game, 91), 47);

    EXPECT_EQ(Arrive(92), "");   // back one chunk: no shift back
    EXPECT_EQ(Arrive(100), "");  // the next downward shift takes never-assigned records
    EXPECT_EQ(game.LowestChunk, 115);
    EXPECT_EQ(game.HighestChunk, 76);
}

TEST_F(StreamingTest, ADepthRegeneratedLaterComesBackAsItWasWithoutEdits)
{
    Chunk* c108 = game.world[SlotOfDepth(&game, 108)];
    Chunk original = *c108;
    c108->wd[5][5].v ^= 1;  // an edit
    c108->wd[6][6].lightness = 77;
    Arrive(91);  // 108 is recycled to 76
    DrainQueue();
    EXPECT_EQ(c108->depth, 76);
    Arrive(100);  // 108..115 come back, in never-assigned records
    DrainQueue();
    Chunk* again = game.world[SlotOfDepth(&game, 108)];
    EXPECT_EQ(again->depth, 108);
    for (int x = 0; x < WORLD_COLUMNS; x++)
        for (int y = 0; y < CHUNK_ROWS; y++) ASSERT_EQ(again->wd[x][y].v, original.wd[x][y].v) << x << "," << y;
}

TEST_F(StreamingTest, ARecordRecycledWhileStillQueuedIsQueuedOnceForItsNewestDepth)
{
    // A downward shift queues never-generated records for 116..123; before any
    // of them is generated the player is sent up, and the upward shift takes
    // exactly those records back.
    Arrive(108);
    ASSERT_EQ(game.UnloadedChunks.size(), 8u);
    std::string out = Arrive(91);
    EXPECT_EQ(out.substr(0, 14), "83 -12000\n82 -");  // they never held terrain
    EXPECT_EQ(game.UnloadedChunks.size(), 8u);
    EXPECT_EQ(game.HighestChunk, 76);
    EXPECT_EQ(game.LowestChunk, 115);
    DrainQueue();
    for (int i = 0; i < RESIDENT_CHUNKS; i++) {
        if (game.world[i]->replacementdepth != NEVER_ASSIGNED) {
            EXPECT_EQ(game.world[i]->depth, game.world[i]->replacementdepth) << i;
        }
    }
    for (int d = 76; d <= 115; d++) EXPECT_EQ(game.world[SlotOfDepth(&game, d)]->replacementdepth, d);
}

TEST_F(StreamingTest, ComparisonSortsAscendingWithoutOverflow)
{
    Chunk a, b;
    Chunk* pa = &a;
    Chunk* pb = &b;
    a.replacementdepth = INT32_MAX;
    b.replacementdepth = NEVER_ASSIGNED;
    EXPECT_GT(ChunkPointerComp(&pa, &pb), 0);
    EXPECT_LT(ChunkPointerComp(&pb, &pa), 0);
    b.replacementdepth = INT32_MAX;
    EXPECT_EQ(ChunkPointerComp(&pa, &pb), 0);
}

}  // namespace
