// The world-window mapping and visible range, the light pass and the tile
// drawing's tint and fade.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "presentation/camera.h"
#include "presentation/light.h"
#include "presentation/render.h"
#include "test_world.h"

namespace {

// ---- View -------------------------------------------------------------------

struct ViewTest : WorldFixture {
    // The camera as it settles on a still player.
    void SettleCamera()
    {
        for (int i = 0; i < 300; i++)
            game.CameraPosition = PanCamera(game.CameraPosition, game.player->pos, 0.4f, game.CameraCenterOffset);
    }
};

TEST_F(ViewTest, AtRestThePlayerShowsAtTheSamePixelAtEveryZoom)
{
    // From zoom 16 up the player's column 100 is far enough from the world's
    // edges that the width bound leaves the camera alone.
    for (int zoom : {16, 17, 48, 200}) {
        WORLDSCALE = zoom;
        SettleCamera();
        Vector2 at = WorldPixelsToScreen(&game, Vector2Scale(game.player->pos, static_cast<float>(zoom)));
        EXPECT_EQ(at.x, 320.0f) << zoom;
        EXPECT_EQ(at.y, 256.0f) << zoom;
    }
}

TEST_F(ViewTest, AfterZoomingInAndOutTheGlideComesToRestOnThePlayer)
{
    // Back from zoom 17 the glide stops a float step or so short of its goal;
    // it must stop there for good, not creep or flip between neighbours.
    for (int zoom : {16, 17, 16}) {
        WORLDSCALE = zoom;
        SettleCamera();
    }
    Vector2 rest = game.CameraPosition;
    EXPECT_NEAR(rest.x, 1280.0f, 0.5f);
    EXPECT_NEAR(rest.y, -25952.0f, 0.5f);
    for (int i = 0; i < 5; i++) {
        game.CameraPosition = PanCamera(game.CameraPosition, game.player->pos, 0.4f, game.CameraCenterOffset);
        EXPECT_EQ(game.CameraPosition.x, rest.x);
        EXPECT_EQ(game.CameraPosition.y, rest.y);
    }
}

TEST_F(ViewTest, TheWorkedViewAtZoomSixteen)
{
    game.CameraPosition = Vector2{1280.0f, -25952.0f};  // at rest on the player at (100, -1608)
    Vector2 corner = TileScreenCorner(&game, 101, 100, 8);
    EXPECT_EQ(corner.x, 320.0f);
    EXPECT_EQ(corner.y, 256.0f);

    VisibleRange draw100 = VisibleRangeOf(&game, 100, 0, 1);
    EXPECT_EQ(draw100.colBegin, 80);
    EXPECT_EQ(draw100.colEnd, 120);
    EXPECT_EQ(draw100.rowBegin, 0);
    EXPECT_EQ(draw100.rowEnd, 9);
    VisibleRange draw99 = VisibleRangeOf(&game, 99, 0, 1);
    EXPECT_EQ(draw99.rowEnd - draw99.rowBegin, 0);
    for (int d : {101, 102, 115}) {
        VisibleRange r = VisibleRangeOf(&game, d, 0, 1);
        EXPECT_EQ(r.rowBegin, 0);
        EXPECT_EQ(r.rowEnd, 16) << d;
    }

    VisibleRange light99 = VisibleRangeOf(&game, 99, 10, 10);
    EXPECT_EQ(light99.rowBegin, 0);
    EXPECT_EQ(light99.rowEnd, 2);
    VisibleRange light100 = VisibleRangeOf(&game, 100, 10, 10);
    EXPECT_EQ(light100.rowEnd, 16);
    EXPECT_EQ(VisibleRangeOf(&game, 98, 10, 10).rowEnd, 0);
}

TEST_F(ViewTest, FirstRowsAndColumnsNearTheSurface)
{
    game.CameraPosition = Vector2{40.0f, -25960.0f};
    EXPECT_EQ(VisibleRangeOf(&game, 101, 0, 1).rowBegin, 0);  // -1622 - 1616, clamped
    EXPECT_EQ(VisibleRangeOf(&game, 101, 0, 1).colBegin, 2);  // floor of 2.5
    game.CameraPosition = Vector2{0.0f, 160.0f};
    EXPECT_EQ(VisibleRangeOf(&game, 0, 0, 1).rowBegin, 10);
    EXPECT_EQ(VisibleRangeOf(&game, 0, 10, 10).rowBegin, 0);
    EXPECT_EQ(VisibleRangeOf(&game, -1, 0, 1).rowBegin, 0);
    EXPECT_EQ(VisibleRangeOf(&game, -1, 10, 10).rowBegin, 4);
    EXPECT_EQ(VisibleRangeOf(&game, -1, 0, 1).colBegin, 0);
    EXPECT_EQ(VisibleRangeOf(&game, -1, 0, 1).colEnd, 40);
}

TEST_F(ViewTest, TheRangeNeverLeavesTheChunkAtAnyZoomOrCamera)
{
    const Vector2 cameras[] = {{0, 0}, {-1e9f, 1e9f}, {1e9f, -1e9f}, {3456, -25952}, {-384, -1600}};
    for (int zoom : {1, 2, 16, 500, MAX_WORLDSCALE}) {
        WORLDSCALE = zoom;
        for (Vector2 cam : cameras) {
            game.CameraPosition = cam;
            for (int32_t d : {NEVER_ASSIGNED, -1, 0, 101, INT32_MAX, INT32_MIN}) {
                VisibleRange r = VisibleRangeOf(&game, d, 10, 10);
                EXPECT_GE(r.rowBegin, 0);
                EXPECT_LE(r.rowEnd, CHUNK_ROWS);
                EXPECT_GE(r.colBegin, 0);
                EXPECT_LE(r.colEnd, WORLD_COLUMNS);
            }
        }
    }
    WORLDSCALE = 16;
}

TEST_F(ViewTest, ThePickFindsTheTileUnderItsOwnCorner)
{
    game.CameraPosition = Vector2{1280.0f, -25952.0f};
    for (int zoom : {1, 7, 16, 33}) {
        WORLDSCALE = zoom;
        Vector2 corner = TileScreenCorner(&game, 101, 100, 8);
        Vector2 world = ScreenToWorld(&game, corner);
        EXPECT_NEAR(world.x, 100.0f, 1e-3f);
        EXPECT_NEAR(world.y, 8.0f - 16.0f * 101, 1e-2f);
    }
    WORLDSCALE = 16;
}

// ---- Light ------------------------------------------------------------------

struct LightTest : ViewTest {
    void SetUp() override
    {
        ViewTest::SetUp();
        ClearTerrain(&game);
        game.CameraPosition = Vector2{1280.0f, -25952.0f};  // at rest on the player
    }
    uint8_t LightAt(int column, int top) { return TileWithTop(&game, column, top).lightness; }
};

TEST_F(LightTest, TheFirstPassReachesRightAndUpButBarelyLeftOrDown)
{
    // The player's tile: column 100, top edge -1608 (row 8 of depth 101).
    lightChunks(&game);
    EXPECT_EQ(LightAt(100, -1608), 255);
    for (int k = 1; k <= 20; k++) EXPECT_EQ(LightAt(100 + k, -1608), 255 - 10 * k) << k;
    EXPECT_EQ(LightAt(121, -1608), 0);  // past the window's right edge nothing passes on
    EXPECT_EQ(LightAt(99, -1608), 245);
    EXPECT_EQ(LightAt(98, -1608), 235);  // raised from the row above
    EXPECT_EQ(LightAt(97, -1608), 0);
    EXPECT_EQ(LightAt(100, -1609), 245);
    EXPECT_EQ(LightAt(100, -1610), 0);
    EXPECT_EQ(LightAt(100, -1607), 245);
    EXPECT_EQ(LightAt(100, -1600), 175);  // up to the chunk's top within one pass

    lightChunks(&game);  // one more row downward per frame
    EXPECT_EQ(LightAt(100, -1610), 235);
    EXPECT_EQ(LightAt(100, -1611), 0);
}

TEST_F(LightTest, FromRowZeroLightEntersTheSlotBelowInTheSamePass)
{
    game.player->pos = Vector2{100.0f, -1616.0f};  // row 0 of depth 101
    lightChunks(&game);
    EXPECT_EQ(LightAt(100, -1616), 255);
    EXPECT_EQ(LightAt(100, -1617), 245);  // row 15 of depth 102
    EXPECT_EQ(LightAt(100, -1618), 235);  // travelled on at once
}

TEST_F(LightTest, FromRowFifteenLightEntersTheSlotAboveOnlyNextPass)
{
    game.player->pos = Vector2{100.0f, -1601.0f};  // row 15 of depth 101
    lightChunks(&game);
    EXPECT_EQ(LightAt(100, -1600), 245);  // row 0 of depth 100, raised
    EXPECT_EQ(LightAt(100, -1599), 0);    // but not yet passed on
    lightChunks(&game);
    EXPECT_EQ(LightAt(100, -1599), 235);
}

TEST_F(LightTest, ThePassScansItsWorkedRowsAndWrapsAroundTheWorld)
{
    game.player->pos = Vector2{20.0f, -1700.0f};  // far off, its light does not reach
    // Above the window the scan reaches ten tiles: rows 0 and 1 of depth 99 pass
    // light on, row 2 does not.
    TileWithTop(&game, 110, -1583).lightness = 200;
    TileWithTop(&game, 85, -1582).lightness = 200;
    lightChunks(&game);
    EXPECT_EQ(LightAt(111, -1583), 190);
    EXPECT_EQ(LightAt(86, -1582), 0);

    // Column 0 lights column 255 beside it, and column 255 column 0.
    game.player->pos = Vector2{0.0f, -1608.0f};
    game.CameraPosition = Vector2{0.0f, -25952.0f};
    lightChunks(&game);
    EXPECT_EQ(LightAt(255, -1608), 245);
    game.player->pos = Vector2{255.5f, -1620.0f};
    game.CameraPosition = Vector2{16.0f * 256 - 640, -25952.0f};
    lightChunks(&game);
    EXPECT_EQ(LightAt(0, -1620), 245);
}

TEST_F(LightTest, AtTheSurfaceTheScanStartsTenRowsWiderThanTheDrawing)
{
    // Slot 61 holds depth -1, slot 62 the surface chunk; the camera at y 160.
    for (int i = 0; i < RESIDENT_CHUNKS; i++) game.world[i]->depth = game.world[i]->replacementdepth = i - 62;
    game.CameraPosition = Vector2{0.0f, 160.0f};
    // Depth -1 is scanned from row 4 (10 - |-16 + 10|): row 3 passes nothing on.
    TileWithTop(&game, 10, 16 + 3).lightness = 200;
    TileWithTop(&game, 30, 16 + 4).lightness = 200;
    testing::internal::CaptureStdout();  // the player's depth is not resident here
    lightChunks(&game);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "STOP\n");
    EXPECT_EQ(LightAt(11, 16 + 3), 0);
    EXPECT_EQ(LightAt(31, 16 + 4), 190);
}

TEST_F(LightTest, SolidTilesSwallowLightFaster)
{
    // Solid all around the player's tile: light loses 40 per tile in every direction.
    for (int x = 90; x <= 130; x++)
        for (int top = -1620; top <= -1596; top++) TileWithTop(&game, x, top).v = x != 100 || top != -1608;
    lightChunks(&game);
    const int expected[] = {215, 175, 135, 95, 55, 15};
    for (int k = 0; k < 6; k++) EXPECT_EQ(LightAt(101 + k, -1608), expected[k]) << k;
    EXPECT_LE(LightAt(107, -1608), 15);
}

TEST_F(LightTest, DimTilesPassLittleOrNothing)
{
    game.player->pos = Vector2{20.0f, -1700.0f};  // far off, its light does not reach
    struct Case {
        uint8_t lightness;
        uint8_t neighbourV;
        uint8_t expected;
    };
    const Case cases[] = {{16, 0, 6}, {16, 1, 0}, {40, 1, 0}, {41, 1, 1}, {15, 0, 0}};
    for (const Case& c : cases) {
        for (Chunk* ch : game.world)
            for (auto& col : ch->wd)
                for (Tile& t : col) t.lightness = 0;
        TileWithTop(&game, 101, -1605).v = c.neighbourV;
        TileWithTop(&game, 100, -1605).lightness = c.lightness;
        lightChunks(&game);
        EXPECT_EQ(LightAt(101, -1605), c.expected) << int{c.lightness} << " into v " << int{c.neighbourV};
    }
}

TEST_F(LightTest, TheEdgesOfTheResidentWindowAreNeverCrossed)
{
    // Put every slot in view order from the top of the view down, and light
    // the top row of slot 0 and the bottom row of slot 63.
    for (int i = 0; i < RESIDENT_CHUNKS; i++) {
        game.world[i]->depth = game.world[i]->replacementdepth = 1 + i;
    }
    game.player->pos = Vector2{100.0f, -1.0f};  // row 15 of depth 1, slot 0
    game.CameraPosition = Vector2{1280.0f, -16.0f * 16 - 300.0f};
    game.world[RESIDENT_CHUNKS - 1]->wd[100][0].lightness = 255;
    lightChunks(&game);
    EXPECT_EQ(game.world[0]->wd[100][15].lightness, 255);
    EXPECT_EQ(game.world[0]->wd[100][14].lightness, 245);
    EXPECT_EQ(game.world[RESIDENT_CHUNKS - 1]->wd[101][0].lightness, 245);
}

TEST_F(LightTest, APlayerOutsideTheWindowSeedsNothing)
{
    game.player->pos = Vector2{100.0f, -16.0f * 200};
    testing::internal::CaptureStdout();
    lightChunks(&game);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "STOP\n");
    int lit = 0;
    for (Chunk* ch : game.world)
        for (auto& col : ch->wd)
            for (Tile& t : col) lit += t.lightness != 0;
    EXPECT_EQ(lit, 0);
}

// ---- Tile drawing -------------------------------------------------------------

TEST(TileTint, MatchesTheTintTable)
{
    struct Case {
        uint8_t lightness, v;
        Color tint;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 0, 255}},         {0, 1, {0, 0, 0, 255}},       {16, 0, {7, 6, 6, 255}},
        {51, 1, {46, 39, 39, 255}},     {200, 0, {93, 78, 78, 255}},  {245, 0, {115, 96, 96, 255}},
        {245, 1, {230, 192, 192, 255}}, {255, 0, {118, 99, 99, 255}}, {255, 1, {238, 199, 199, 255}},
    };
    for (const Case& c : cases) {
        Color t = TileTint(c.lightness, c.v);
        EXPECT_EQ(t.r, c.tint.r) << int{c.lightness} << "/" << int{c.v};
        EXPECT_EQ(t.g, c.tint.g) << int{c.lightness} << "/" << int{c.v};
        EXPECT_EQ(t.b, c.tint.b);
        EXPECT_EQ(t.a, 255);
    }
    // Every multiple of 51 lands one below lightness * m / 255.
    for (int l = 51; l <= 255; l += 51) {
        EXPECT_EQ(TileTint(static_cast<uint8_t>(l), 0).g, l * 100 / 255 - 1);
        EXPECT_EQ(TileTint(static_cast<uint8_t>(l), 1).g, l * 200 / 255 - 1);
    }
}

TEST_F(LightTest, DrawingFadesWhatItDrawsAndNothingElse)
{
    TileWithTop(&game, 30, -1608).lightness = 4;    // drawn once the view moves left: drops to 0
    TileWithTop(&game, 10, -1608).lightness = 100;  // left of the view: never drawn
    drawChunks(&game);
    EXPECT_EQ(LightAt(100, -1608), 250);  // the player's tile, drawn at 255
    EXPECT_EQ(LightAt(10, -1608), 100);
    game.CameraPosition.x = 0.0f;
    drawChunks(&game);
    EXPECT_EQ(LightAt(30, -1608), 0);
    EXPECT_EQ(LightAt(10, -1608), 95);
}

TEST_F(ViewTest, CullingOffWindowTilesChangesNoLight)
{
    // Two identical worlds, one drawn with culling and one without, over a
    // moving view that crosses the surface of the window and changes zoom.
    GameInstance other;
    SetupWorld(&other);
    for (int frame = 0; frame < 60; frame++) {
        WORLDSCALE = 1 + (frame * 7) % 40;
        for (GameInstance* g : {&game, &other}) {
            g->player->pos = Vector2{100.0f + frame, -1608.0f - frame * 3};
            g->CameraPosition = PanCamera(g->CameraPosition, g->player->pos, 0.4f, g->CameraCenterOffset);
        }
        drawChunksCulled(&game, true);
        drawChunksCulled(&other, false);
    }
    int differing = 0, lit = 0;
    for (int s = 0; s < RESIDENT_CHUNKS; s++)
        for (int x = 0; x < WORLD_COLUMNS; x++)
            for (int y = 0; y < CHUNK_ROWS; y++) {
                differing += game.world[s]->wd[x][y].lightness != other.world[s]->wd[x][y].lightness;
                lit += game.world[s]->wd[x][y].lightness != 0;
            }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lit, 100);
    FreeWorld(&other);
    WORLDSCALE = 16;
}

}  // namespace
