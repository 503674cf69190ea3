// Mouse editing through pushed SDL events, and the edge cases of the pick.
#include "shell/mouse.h"
#include "entities/entity.h"
#include "harness/input_events.h"
#include "headless_game.h"
#include "presentation/camera.h"

namespace {

using input_events::PushMouseButton;
using input_events::PushMouseMove;

struct MouseTest : HeadlessGame {
    void SetUp() override
    {
        HeadlessGame::SetUp();
        SettleCameraOnPlayer();  // the player is embedded in rock and stays put
    }
    // Holds the given buttons with the cursor at window pixel (x, y) for one tick.
    std::string Tick(int x, int y, bool left, bool right)
    {
        PushMouseMove(x, y);
        PushMouseButton(MOUSE_BUTTON_LEFT, left);
        PushMouseButton(MOUSE_BUTTON_RIGHT, right);
        Poll();
        testing::internal::CaptureStdout();
        GlobalTick(&game);
        return testing::internal::GetCapturedStdout();
    }
    Tile& PlayerTile() { return game.world[49]->wd[100][8]; }  // under window pixel (320..335, 256..271)
};

TEST_F(MouseTest, RightDigsLeftPlacesAndLeftWinsWhenBothAreHeld)
{
    PlayerTile().lightness = 123;
    ASSERT_EQ(PlayerTile().v, 1);
    EXPECT_EQ(Tick(328, 264, false, true), "");
    EXPECT_EQ(PlayerTile().v, 0);
    EXPECT_EQ(PlayerTile().lightness, 123);  // only the solid flag changes
    Tick(328, 264, true, true);
    EXPECT_EQ(PlayerTile().v, 1);
    Tick(328, 264, false, true);
    Tick(328, 264, false, false);  // released: nothing more happens
    EXPECT_EQ(PlayerTile().v, 0);
    Tick(328, 264, true, false);
    EXPECT_EQ(PlayerTile().v, 1);
}

// A click pressed and let go between two frames (a touchpad tap, a quick
// click) edits once, and only once.
TEST_F(MouseTest, AClickShorterThanAFrameDigsOnceAndPlacesOnce)
{
    Tile& right = game.world[49]->wd[101][8];  // under window pixel (336..351, 256..271)
    ASSERT_EQ(PlayerTile().v, 1);
    ASSERT_EQ(right.v, 1);
    const auto click = [&](int x, int button) {
        PushMouseMove(x, 264);
        PushMouseButton(button, true);
        PushMouseButton(button, false);
        Poll();
        GlobalTick(&game);
    };
    click(328, MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(PlayerTile().v, 0);
    EXPECT_EQ(right.v, 1);
    Tick(344, 264, false, false);  // the cursor moves on with no button: nothing more
    EXPECT_EQ(right.v, 1);
    click(344, MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(right.v, 0);
    click(328, MOUSE_BUTTON_LEFT);
    EXPECT_EQ(PlayerTile().v, 1);
    EXPECT_EQ(right.v, 0);
}

TEST_F(MouseTest, OnlyTheTileUnderTheCursorAtEachTickIsEdited)
{
    Tile& left = game.world[49]->wd[96][8];
    Tile& between = game.world[49]->wd[98][8];
    left.v = 1;
    between.v = 1;
    Tick(320 - 4 * 16 + 8, 264, false, true);
    Tick(328, 264, false, true);  // jumps past column 98
    EXPECT_EQ(left.v, 0);
    EXPECT_EQ(between.v, 1);
    EXPECT_EQ(PlayerTile().v, 0);
}

TEST_F(MouseTest, ACursorOutsideTheWindowMapsTheSameWay)
{
    // 64 pixels left of the window: four columns left of the view's first column 80.
    Tile& t = game.world[49]->wd[76][8];
    t.v = 1;
    Tick(-64 + 8, 264, false, true);
    EXPECT_EQ(t.v, 0);
}

TEST_F(MouseTest, LeftOfColumnZeroEditsTheWrappedColumn)
{
    game.player->pos.x = 2.0f;  // the camera clamps to the world's left edge
    for (int i = 0; i < 60; i++) GlobalTick(&game);
    ASSERT_EQ(game.CameraPosition.x, 0.0f);
    int rowY = static_cast<int>(480.0f - (-16.0f * 1608 - game.CameraPosition.y)) + 8;  // inside the row of top -1608
    Tile& wrapped = game.world[49]->wd[255][8];
    wrapped.v = 1;
    Tick(-8, rowY, false, true);  // world x -0.5: column 0
    EXPECT_EQ(wrapped.v, 1);
    Tick(-24, rowY, false, true);  // world x -1.5: column 255
    EXPECT_EQ(wrapped.v, 0);
}

TEST_F(MouseTest, APickOverNoResidentTileEditsNothing)
{
    auto kinds = [this] {
        uint64_t sum = 0;
        for (Chunk* c : game.world)
            for (auto& col : c->wd)
                for (Tile& t : col) sum = sum * 31 + t.v;
        return sum;
    };
    // Far below the window: depth 117 and beyond.
    const uint64_t before = kinds();
    EXPECT_EQ(Tick(328, 264 + 16 * 16 * 20, true, false), "STOP\n");
    EXPECT_EQ(kinds(), before);
    // Extreme cursor positions fold onto no resident tile either.
    EXPECT_EQ(Tick(2000000000, -2000000000, true, false), "STOP\n");

    // Between heights 15 and 16 the address names row 16 of a resident record:
    // no tile is edited, least of all the next column's row 0.
    game.world[RESIDENT_CHUNKS - 1]->replacementdepth = 0;  // bring height 15.5 into the window
    game.world[RESIDENT_CHUNKS - 1]->wd[4][0].v = 0;
    const uint64_t above = kinds();
    game.CameraPosition = Vector2{0.0f, 0.0f};
    PushMouseMove(56, 232);  // world (3.5, 15.5)
    PushMouseButton(MOUSE_BUTTON_LEFT, true);
    Poll();
    debugmousedraw(&game);
    EXPECT_EQ(game.world[RESIDENT_CHUNKS - 1]->wd[4][0].v, 0);
    EXPECT_EQ(kinds(), above);
}

TEST_F(MouseTest, AZoomStepInTheSameTickIsUsedByThePick)
{
    input_events::PushKey(KEY_KP_ADD, true);
    Tick(328, 264, false, true);
    ASSERT_EQ(WORLDSCALE, 17);
    // The pick used this tick's zoom and camera.
    Vector2 world = ScreenToWorld(&game, Vector2{328.0f, 264.0f});
    testing::internal::CaptureStdout();
    GlobalTilePosition p = GetTileFromPos(&game, world);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(IsResidentTile(p));
    EXPECT_EQ(TileAt(&game, p)->v, 0);
    EXPECT_NE(p.x, 100);  // a different tile from the one at zoom 16
}

}  // namespace
