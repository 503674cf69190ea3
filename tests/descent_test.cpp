// A long fall down a dug shaft and a climb back, headless, with the window's
// bookkeeping checked after every frame.
#include <sstream>

#include "entities/entity.h"
#include "headless_game.h"

namespace {

using input_events::PushKey;

struct DescentTest : HeadlessGame {
    // Empties the tiles around the player's column, from `below` rows under its
    // feet to `above` rows over its head: a shaft that follows the player.
    void Dig(int above, int below)
    {
        int top = static_cast<int>(std::ceil(game.player->pos.y)) + above;
        int bottom = static_cast<int>(std::ceil(game.player->pos.y)) - below;
        for (int k = bottom; k <= top; k++)
            for (int x = 98; x <= 102; x++)
                if (Tile* t = TileWithTopEdge(&game, x, k)) t->v = 0;
    }
    // Everything streaming promises after a frame.
    void CheckWindow(int frame)
    {
        SCOPED_TRACE(testing::Message() << "frame " << frame);
        const int32_t low = game.world[RESIDENT_CHUNKS - 1]->replacementdepth;
        ASSERT_EQ(low, game.LowestChunk);
        int assigned = 0;
        for (int i = 0; i < RESIDENT_CHUNKS; i++) {
            ASSERT_EQ(game.world[i]->id, i);
            if (game.world[i]->replacementdepth != NEVER_ASSIGNED) {
                ASSERT_EQ(game.world[i]->replacementdepth, low - (RESIDENT_CHUNKS - 1 - i));
                assigned++;
            }
        }
        ASSERT_EQ(game.HighestChunk, low - assigned + 1);
        int32_t slot = SlotOfDepth(&game, game.player->chunkdepth);
        ASSERT_TRUE(slot >= 0 && slot < RESIDENT_CHUNKS);
        ASSERT_LE(game.UnloadedChunks.size(), 16u);
    }
};

TEST_F(DescentTest, FallingHundredsOfChunksAndClimbingBackKeepsTheWindowWhole)
{
    std::string out;
    PushKey(KEY_S, true);
    Poll();
    int frame = 0;
    for (; frame < 1000; frame++) {
        Dig(2, 12);
        out += Frames(1);
        CheckWindow(frame);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(game.player->chunkdepth, 101 + 200);
    EXPECT_EQ(out, "");  // falling writes nothing: no STOP, no shift lines

    // Climb: lift the player about two tiles per tick for a while.
    PushKey(KEY_S, false);
    Poll();
    int deepest = game.player->chunkdepth;
    for (; frame < 1700; frame++) {
        Dig(4, 2);
        game.player->vel.y = 2.0f;
        out += Frames(1);
        CheckWindow(frame);
        if (HasFatalFailure()) return;
    }
    EXPECT_LT(game.player->chunkdepth, deepest - 30);

    // Only upward shifts wrote, eight "<new> <old>" lines each, new depths descending by one.
    std::istringstream lines(out);
    int count = 0, newDepth, oldDepth, previous = 0;
    while (lines >> newDepth >> oldDepth) {
        if (count % 8 != 0) {
            EXPECT_EQ(newDepth, previous - 1);
        }
        EXPECT_EQ(oldDepth, newDepth + 64);
        previous = newDepth;
        count++;
    }
    EXPECT_TRUE(lines.eof());
    EXPECT_GT(count, 0);
    EXPECT_EQ(count % 8, 0);
}

}  // namespace
