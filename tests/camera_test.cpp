// The camera's glide: 40 % of the gap a tick, kept inside the world's width,
// and coming to rest for good wherever the player stands.
#include <gtest/gtest.h>

#include "presentation/camera.h"
#include "world/world.h"

namespace {

TEST(PanCamera, ClosesFortyPercentOfTheGapEachTick)
{
    WORLDSCALE = 16;
    Vector2 cam{0.0f, 0.0f};
    Vector2 target{100.0f / 16.0f, 0.0f};  // goal x 100 in world pixels
    const float expected[] = {40.0f, 64.0f, 78.4f, 87.04f};
    for (float x : expected) {
        cam = PanCamera(cam, target, 0.4f, Vector2{0.0f, 0.0f});
        EXPECT_FLOAT_EQ(cam.x, x);
    }
}

TEST(PanCamera, StaysInsideTheWorldsWidth)
{
    struct Case {
        int zoom;
        float goalX;
        float expected;
    };
    const Case cases[] = {
        {16, -5000.0f, 0.0f},
        {16, 1e6f, 3456.0f},  // 256 * 16 - 640
        {3, 1e6f, 128.0f},
        {3, -100.0f, 0.0f},  // the narrowest world still wider than the window
        // Below zoom 3 the world is narrower than the window: x holds at 0.
        {2, 100.0f, 0.0f},
        {2, -100.0f, 0.0f},
        {1, 100.0f, 0.0f},
        {1, -100.0f, 0.0f},
    };
    for (const Case& c : cases) {
        WORLDSCALE = c.zoom;
        Vector2 target{c.goalX / static_cast<float>(c.zoom), 0.0f};
        Vector2 cam = PanCamera(Vector2{0.0f, 0.0f}, target, 1.0f, Vector2{0.0f, 0.0f});
        EXPECT_EQ(cam.x, c.expected) << "zoom " << c.zoom << " goal " << c.goalX;
    }
    WORLDSCALE = 16;
}

// Many resting places: zooms 1 to 64, every column, depths down to 60,000 rows.
// Once settled, further steps must return exactly the same position, within
// half a pixel of the goal wherever the width bound leaves the camera free.
TEST(PanCamera, ComesToRestAndHoldsStillEverywhere)
{
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    const Vector2 offset{-320.0f, -224.0f};
    int moving = 0;
    for (int i = 0; i < 20000; i++) {
        WORLDSCALE = 1 + static_cast<int32_t>(next(64));
        Vector2 target{static_cast<float>(next(25500)) / 100.0f, -static_cast<float>(next(6000000)) / 100.0f};
        Vector2 cam{static_cast<float>(next(4096)), -static_cast<float>(next(1000000))};
        for (int k = 0; k < 200; k++) cam = PanCamera(cam, target, 0.4f, offset);
        Vector2 rest = cam;
        bool moved = false;
        for (int k = 0; k < 4; k++) {
            cam = PanCamera(cam, target, 0.4f, offset);
            moved = moved || cam.x != rest.x || cam.y != rest.y;
        }
        moving += moved;
        float s = static_cast<float>(WORLDSCALE);
        Vector2 goal = Vector2Add(Vector2Scale(target, s), offset);
        float right = static_cast<float>(WORLD_COLUMNS * WORLDSCALE - 640);
        EXPECT_NEAR(rest.y, goal.y, 0.5f) << "zoom " << WORLDSCALE << " target y " << target.y;
        if (goal.x > 0.5f && goal.x < right - 0.5f) {
            EXPECT_NEAR(rest.x, goal.x, 0.5f) << "zoom " << WORLDSCALE << " target x " << target.x;
        }
        ASSERT_FALSE(moved) << "zoom " << WORLDSCALE << " target (" << target.x << ", " << target.y << ")";
    }
    EXPECT_EQ(moving, 0);
    WORLDSCALE = 16;
}

TEST(PanCamera, AtZoomTwoTheViewHoldsStillRightOfColumn160)
{
    // The world (512 pixels) is narrower than the window: with the player in
    // its right part the camera's goal is right of 0, and it must not jump.
    WORLDSCALE = 2;
    const Vector2 offset{-320.0f, -224.0f};
    for (float column : {161.0f, 200.0f, 255.0f}) {
        Vector2 cam{0.0f, -3000.0f};
        for (int k = 0; k < 100; k++) {
            cam = PanCamera(cam, Vector2{column, -1608.0f}, 0.4f, offset);
            ASSERT_EQ(cam.x, 0.0f) << "column " << column << " step " << k;
        }
    }
    WORLDSCALE = 16;
}

}  // namespace
