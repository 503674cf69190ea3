// Whole frames at the far ends of what the player can do: the zoom at 1 and at
// several hundred, the cursor at the window's corners, just past them and as
// far away as a position can be, with either or both buttons held.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "entities/entity.h"
#include "harness/input_events.h"
#include "headless_game.h"
#include "presentation/camera.h"

namespace {

using input_events::PushKey;
using input_events::PushMouseButton;
using input_events::PushMouseMove;

struct Spot {
    int x, y;
};
const Spot SPOTS[] = {
    {0, 0},
    {639, 479},
    {-1, -1},
    {640, 480},
    {320, 256},
    {INT_MIN, 0},
    {INT_MAX, 0},
    {0, INT_MIN},
    {0, INT_MAX},
    {INT_MIN, INT_MIN},
    {INT_MAX, INT_MAX},
    {-100000, 5000},
    {1000000, -1000000},
};

struct ExtremesTest : HeadlessGame {
    int residentPicks = 0;  // frames whose pick named a resident tile

    std::vector<uint8_t> Solidity()
    {
        std::vector<uint8_t> v;
        v.reserve(RESIDENT_CHUNKS * WORLD_COLUMNS * CHUNK_ROWS);
        for (const Chunk* c : game.world)
            for (const auto& column : c->wd)
                for (const Tile& t : column) v.push_back(t.v);
        return v;
    }
    // Index in Solidity() of the tile an address names.
    static size_t IndexOf(GlobalTilePosition p)
    {
        return (static_cast<size_t>(p.chunkid) * WORLD_COLUMNS + p.x) * CHUNK_ROWS + p.y;
    }

    // One frame with the cursor at `spot` and the buttons as given; checks the
    // output and that at most the tile under the cursor changed, as the buttons say.
    void FrameAt(Spot spot, bool left, bool right)
    {
        SCOPED_TRACE(testing::Message() << "zoom " << WORLDSCALE << ", cursor " << spot.x << ", " << spot.y
                                        << (left ? ", left" : "") << (right ? ", right" : ""));
        PushMouseMove(spot.x, spot.y);
        PushMouseButton(MOUSE_BUTTON_LEFT, left);
        PushMouseButton(MOUSE_BUTTON_RIGHT, right);
        Poll();
        std::vector<uint8_t> before = Solidity();
        std::string out = Frames(1);

        // The pick as the tick made it, with the camera and zoom it left.
        Vector2 world = ScreenToWorld(&game, GetMousePosition());
        testing::internal::CaptureStdout();
        GlobalTilePosition p = GetTileFromPos(&game, world);
        std::string stop = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, (left || right) ? stop : "");

        std::vector<uint8_t> after = Solidity();
        size_t target = IsResidentTile(p) && (left || right) ? IndexOf(p) : SIZE_MAX;
        if (target != SIZE_MAX) {
            residentPicks++;
            EXPECT_EQ(after[target], left ? 1 : 0);
            after[target] = before[target];
        }
        EXPECT_TRUE(before == after) << "a tile other than the one under the cursor changed";
    }
    void EverySpotAndButton()
    {
        residentPicks = 0;
        for (Spot s : SPOTS) {
            FrameAt(s, true, false);
            FrameAt(s, false, true);
            FrameAt(s, true, true);
            FrameAt(s, false, false);
            if (HasFatalFailure()) return;
        }
        EXPECT_GT(residentPicks, 0) << "some spots lie over the world";
    }
};

TEST_F(ExtremesTest, ZoomOneWithTheCursorAnywhereEditsOnlyTheTileUnderIt)
{
    EverySpotAndButton();  // the camera still far above the player, as at start-up
    WORLDSCALE = 1;
    EverySpotAndButton();
    SettleCameraOnPlayer();
    EverySpotAndButton();
    PushKey(KEY_KP_SUBTRACT, true);
    Poll();
    Frames(1);
    EXPECT_EQ(WORLDSCALE, 1);
}

TEST_F(ExtremesTest, ZoomOfSeveralHundredWithTheCursorAnywhereEditsOnlyTheTileUnderIt)
{
    for (int zoom : {300, 700}) {
        WORLDSCALE = zoom;
        EverySpotAndButton();
        SettleCameraOnPlayer();
        EverySpotAndButton();
    }
    // The keys still step it, one per press.
    PushKey(KEY_KP_ADD, true);
    Poll();
    Frames(1);
    EXPECT_EQ(WORLDSCALE, 701);
    PushKey(KEY_KP_ADD, false);
    PushKey(KEY_KP_SUBTRACT, true);
    Poll();
    Frames(1);
    EXPECT_EQ(WORLDSCALE, 700);
}

TEST_F(ExtremesTest, AtZoomSevenHundredThePlayerStillFillsItsPlace)
{
    WORLDSCALE = 700;
    SettleCameraOnPlayer();
    Frames(1);
    // The player's rectangle, 560 by 1260 pixels, from (320, 256) on: clipped, not lost.
    Screenshot shot("zoom700.png");
    EXPECT_TRUE(SameRgb(shot.At(330, 266), Color{130, 130, 130, 255})) << Rgb(shot.At(330, 266));
    EXPECT_TRUE(SameRgb(shot.At(639, 479), Color{130, 130, 130, 255})) << Rgb(shot.At(639, 479));
    EXPECT_FALSE(SameRgb(shot.At(310, 250), Color{130, 130, 130, 255}));
}

}  // namespace
