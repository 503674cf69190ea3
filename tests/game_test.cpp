// Whole frames of the game, headless: the V key's debug line, what a frame
// shows, the player's input and the zoom.
#include <cmath>
#include <cstdlib>
#include <string>

#include "entities/entity.h"
#include "harness/input_events.h"
#include "headless_game.h"
#include "presentation/camera.h"
#include "presentation/render.h"
#include "shell/game.h"

namespace {

using input_events::PushKey;
using input_events::PushWheel;
using FrameTest = HeadlessGame;

TEST_F(FrameTest, VWritesItsLineOneFrameLateForEveryFrameItIsSeenDown)
{
    EXPECT_EQ(Frames(1), "");  // the first frame never writes it
    PushKey(KEY_V, true);
    EXPECT_EQ(Frames(1), "");  // the poll at its end sees V down
    EXPECT_EQ(Frames(1), "");  // this frame samples it
    EXPECT_EQ(Frames(1), "stopping!!\n");
    PushKey(KEY_V, false);
    EXPECT_EQ(Frames(1), "stopping!!\n");  // its poll sees V up
    EXPECT_EQ(Frames(1), "stopping!!\n");  // reports the last frame that saw it down
    EXPECT_EQ(Frames(3), "");

    PushKey(KEY_V, true);  // a press seen in one frame only writes one line
    Frames(1);
    PushKey(KEY_V, false);
    EXPECT_EQ(Frames(3), "stopping!!\n");
}

TEST_F(FrameTest, TheFirstFramesShowBackgroundCaptionAndSpinner)
{
    EXPECT_EQ(Frames(1), "");
    EXPECT_FLOAT_EQ(loop.iterationfloat, 0.1f);
    Screenshot shot("first_frame.png");
    ASSERT_FALSE(shot.rgba.empty());
    EXPECT_EQ(shot.width, 640);
    EXPECT_EQ(shot.height, 480);
    // The camera starts far above the player: no tiles yet.
    EXPECT_TRUE(SameRgb(shot.At(600, 400), Color{80, 80, 80, 255})) << Rgb(shot.At(600, 400));
    // The spinner's centroid at t = 0.1 is white.
    float t = 0.1f;
    float cx = (30.0f + 10.0f * (std::cos(t) + std::cos(t - 1.0f) + std::cos(t - 3.0f))) / 3.0f;
    float cy = (30.0f + 10.0f * (std::sin(t) + std::sin(t - 1.0f) + std::sin(t - 3.0f))) / 3.0f;
    EXPECT_TRUE(SameRgb(shot.At(static_cast<int>(cx), static_cast<int>(cy)), Color{255, 255, 255, 255}));
    // The caption's dark glyphs lie somewhere in its line.
    int dark = 0;
    for (int y = 50; y < 85; y++)
        for (int x = 50; x < 300; x++) dark += SameRgb(shot.At(x, y), Color{0, 0, 0, 255});
    EXPECT_GT(dark, 50);
}

TEST_F(FrameTest, ThePlayerIsDrawnAtRestOverItsLitTile)
{
    // A plain white sprite, so that a tile's pixels are its tint.
    UnloadTexture(game.textures[0]);
    testing::internal::CaptureStderr();
    game.textures[0] = LoadTexture("no/such/tiles.png");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no/such/tiles.png"), std::string::npos);

    SettleCameraOnPlayer();
    EXPECT_EQ(Frames(1), "");
    Screenshot shot("player.png");
    const Color grey{130, 130, 130, 255};
    EXPECT_TRUE(SameRgb(shot.At(320, 256), grey)) << Rgb(shot.At(320, 256));
    EXPECT_TRUE(SameRgb(shot.At(331, 283), grey)) << Rgb(shot.At(331, 283));
    EXPECT_FALSE(SameRgb(shot.At(332, 270), grey));
    EXPECT_FALSE(SameRgb(shot.At(325, 284), grey));
    // The start tile is solid rock at full light; its right edge shows beside the player.
    Color tile = shot.At(334, 260);
    EXPECT_TRUE(SameRgb(tile, TileTint(255, 1))) << Rgb(tile);
    EXPECT_EQ(game.world[49]->wd[100][8].lightness, 250);
    // Light spreads: the tile a few columns right is lit, if dimmer.
    Color lit = shot.At(320 + 3 * 16 + 8, 264);
    EXPECT_GT(lit.g, 0);
    EXPECT_LT(lit.g, tile.g);
}

TEST_F(FrameTest, TheCameraGlidesOntoThePlayer)
{
    Frames(1);
    EXPECT_NE(game.CameraPosition.y, -1592.0f);
    Frames(60);
    EXPECT_NEAR(game.CameraPosition.x, 1280.0f, 0.5f);
    EXPECT_NEAR(game.CameraPosition.y, -25952.0f, 0.5f);
    Screenshot shot("settled.png");
    EXPECT_TRUE(SameRgb(shot.At(320, 256), Color{130, 130, 130, 255}));
}

TEST_F(FrameTest, ZoomKeysTakeEffectInTheFrameTheyArePressed)
{
    SettleCameraOnPlayer();
    Frames(1);
    Vector2 before = game.CameraPosition;
    PushKey(KEY_KP_ADD, true);
    Poll();
    Frames(1);
    EXPECT_EQ(WORLDSCALE, 17);
    // This frame's camera already aimed with the new zoom: the view jumps.
    Vector2 expected = PanCamera(before, game.player->pos, 0.4f, game.CameraCenterOffset);
    EXPECT_EQ(game.CameraPosition.x, expected.x);
    EXPECT_EQ(game.CameraPosition.y, expected.y);

    PushKey(KEY_KP_ADD, false);  // held down for several frames: one step only
    Poll();
    Frames(60);  // the glide back
    EXPECT_EQ(WORLDSCALE, 17);
    Screenshot zoomed("zoomed.png");
    const Color grey{130, 130, 130, 255};
    EXPECT_TRUE(SameRgb(zoomed.At(320 + 12, 256 + 29), grey));  // 13 x 30 now
    EXPECT_FALSE(SameRgb(zoomed.At(320 + 13, 256 + 29), grey));
    EXPECT_FALSE(SameRgb(zoomed.At(320 + 12, 256 + 30), grey));

    // A tap let go again before the frame reads it still zooms, once.
    PushKey(KEY_KP_SUBTRACT, true);
    PushKey(KEY_KP_SUBTRACT, false);
    Poll();
    Frames(2);
    EXPECT_EQ(WORLDSCALE, 16);

    WORLDSCALE = 1;
    PushKey(KEY_KP_SUBTRACT, true);
    Poll();
    Frames(1);
    EXPECT_EQ(WORLDSCALE, 1);  // never below 1
}

// Laptops have no keypad: the main row's - and = and the wheel zoom by the
// keypad's rule, one step per press or notch, never below 1.
TEST_F(FrameTest, MainRowKeysAndWheelNotchesZoomLikeTheKeypad)
{
    const auto after = [&](auto push) {
        push();
        Poll();
        Frames(1);
        return WORLDSCALE;
    };
    EXPECT_EQ(after([] { PushKey(KEY_EQUAL, true); }), 17);
    EXPECT_EQ(after([] {}), 17) << "held: one step only";
    EXPECT_EQ(after([] {
                  PushKey(KEY_EQUAL, false);
                  PushKey(KEY_MINUS, true);
              }),
              16);
    EXPECT_EQ(after([] {
                  PushKey(KEY_MINUS, false);
                  PushWheel(1);
                  PushWheel(2);
              }),
              19)
        << "each notch a step";
    EXPECT_EQ(after([] {}), 19) << "the wheel's notches count once";
    EXPECT_EQ(after([] { PushWheel(-4); }), 15);
    EXPECT_EQ(after([] { PushWheel(1, true); }), 16) << "up zooms in whatever the scrolling direction";
    // Keypad and main row together: two steps.
    EXPECT_EQ(after([] {
                  PushKey(KEY_KP_ADD, true);
                  PushKey(KEY_EQUAL, true);
              }),
              18);
    EXPECT_EQ(after([] {
                  PushKey(KEY_KP_ADD, false);
                  PushKey(KEY_EQUAL, false);
              }),
              18);

    WORLDSCALE = 2;
    EXPECT_EQ(after([] { PushWheel(-5); }), 1) << "never below 1";
    EXPECT_EQ(after([] { PushKey(KEY_MINUS, true); }), 1);
    EXPECT_EQ(after([] {
                  PushKey(KEY_MINUS, false);
                  PushWheel(1);
              }),
              2);

    WORLDSCALE = MAX_WORLDSCALE - 1;
    EXPECT_EQ(after([] { PushWheel(3); }), MAX_WORLDSCALE) << "and never beyond the plus key's limit";
    WORLDSCALE = 16;
}

TEST_F(FrameTest, KeysMoveThePlayerAsTheKeyTableSays)
{
    PushKey(KEY_A, true);
    PushKey(KEY_D, true);
    Poll();
    InputHandle(game.player);
    EXPECT_EQ(game.player->acc.x, 0.1f);  // D wins
    PushKey(KEY_D, false);
    PushKey(KEY_S, true);
    Poll();
    InputHandle(game.player);
    EXPECT_EQ(game.player->acc.x, -0.1f);
    EXPECT_EQ(game.player->acc.y, -0.1f);
    PushKey(KEY_A, false);
    PushKey(KEY_S, false);
    Poll();
    InputHandle(game.player);
    EXPECT_EQ(game.player->acc.x, 0.0f);
    EXPECT_EQ(game.player->acc.y, 0.0f);

    // W only jumps from the ground.
    PushKey(KEY_W, true);
    Poll();
    game.player->istouchingground = false;
    game.player->vel.y = 0.0f;
    InputHandle(game.player);
    EXPECT_EQ(game.player->vel.y, 0.0f);
    game.player->istouchingground = true;
    InputHandle(game.player);
    EXPECT_EQ(game.player->vel.y, 1.5f);
}

TEST_F(FrameTest, WHeldJumpsAgainOnEveryLanding)
{
    // Carve a room around the player with a floor under it.
    for (int x = 95; x <= 105; x++)
        for (int top = -1620; top <= -1590; top++) TileWithTopEdge(&game, x, top)->v = top == -1611;
    Frames(10);  // settle on the floor
    ASSERT_TRUE(game.player->istouchingground);
    PushKey(KEY_W, true);
    Poll();
    int takeoffs = 0;
    for (int i = 0; i < 80; i++) {
        bool grounded = game.player->istouchingground;
        Frames(1);
        if (grounded && game.player->vel.y > 0.0f) takeoffs++;
    }
    EXPECT_GE(takeoffs, 3);  // a jump lasts about 22 ticks
}

// A start with no window to be had frees the world it set up, and a world
// freed can be set up again from nothing: no chunk, body or player is left
// from the first.
TEST(GameStartTest, NoWindowLeavesNothingAllocatedAndTheWorldCanBeSetUpAgain)
{
    const char* before = std::getenv("SDL_VIDEODRIVER");
    const std::string kept = before ? before : "";
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    GameInstance game;
    FrameLoop loop;
    testing::internal::CaptureStderr();
    const bool started = StartGame(&game, &loop);
    const std::string err = testing::internal::GetCapturedStderr();
    if (before)
        setenv("SDL_VIDEODRIVER", kept.c_str(), 1);
    else
        unsetenv("SDL_VIDEODRIVER");
    ASSERT_FALSE(started);
    EXPECT_EQ(err.rfind("delve: cannot open a window: ", 0), 0u) << err;
    EXPECT_EQ(game.player, nullptr);
    EXPECT_TRUE(game.Entities.empty());
    for (const Chunk* slot : game.world) EXPECT_EQ(slot, nullptr);

    for (int round = 0; round < 2; ++round) {
        SetupWorld(&game);
        ASSERT_EQ(game.Entities.size(), 1u);
        EXPECT_EQ(game.Entities.front(), game.player);
        FreeWorld(&game);
        EXPECT_TRUE(game.Entities.empty() && game.UnloadedChunks.empty() && game.player == nullptr);
    }
}

}  // namespace
