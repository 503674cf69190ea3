// The pad's cursor at the frame's edges: it starts where the mouse left it,
// the last row and column included, and the stick never pushes it off the
// frame, however long it is held.
#include <gtest/gtest.h>

#include "backends/memory/memory_backend.h"
#include "platform/backend.h"
#include "platform/platform.h"
#include "renderer/platform_fixture.h"

namespace {

using PadCursor = Platform;

// A poll with the right stick at (x, y).
Vector2 PollWithStick(float x, float y)
{
    PadInput pads{};
    pads.pads = 1;
    pads.rightX = x;
    pads.rightY = y;
    MemorySetPads(pads);
    PollInputEvents();
    return GetMousePosition();
}

TEST_F(PadCursor, StartsAtTheMouseOnTheLastRowAndColumnAndStaysOnTheFrame)
{
    MemoryQueueEvent([] { LayerCursor(639, 479); });
    PollInputEvents();
    // Pushed left only, along the bottom row: the row is kept.
    Vector2 at = PollWithStick(-0.5f, 0.0f);
    EXPECT_TRUE(IsGamepadCursorShown());
    EXPECT_EQ(at.x, 634.0f);
    EXPECT_EQ(at.y, 479.0f);
    // Held down and right for long: the last row and column, not past them.
    for (int i = 0; i < 100; ++i) at = PollWithStick(1.0f, 1.0f);
    EXPECT_EQ(at.x, 639.0f);
    EXPECT_EQ(at.y, 479.0f);
    // And up and left: the first ones.
    for (int i = 0; i < 100; ++i) at = PollWithStick(-1.0f, -1.0f);
    EXPECT_EQ(at.x, 0.0f);
    EXPECT_EQ(at.y, 0.0f);
    MemorySetPads(PadInput{});
    PollInputEvents();
    EXPECT_FALSE(IsGamepadCursorShown()) << "the last pad gone, the cursor goes with it";
}

// A trigger held holds its mouse button at every poll, not only at the first.
TEST_F(PadCursor, ATriggerHeldHoldsItsButtonAtEveryPoll)
{
    PadInput pads{};
    pads.pads = 1;
    pads.rightTrigger = 1.0f;
    MemorySetPads(pads);
    for (int poll = 0; poll < 3; ++poll) {
        PollInputEvents();
        EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT)) << "poll " << poll;
        EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    }
    pads.rightTrigger = 0.0f;
    MemorySetPads(pads);
    PollInputEvents();
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    MemorySetPads(PadInput{});
}

// Buttons past the last one the layer keeps (a mouse with many) hold nothing.
TEST_F(PadCursor, MouseButtonsPastTheLastHoldNothing)
{
    for (int button : {8, 9, 1000, -1}) {
        MemoryQueueEvent([button] { LayerMouseButton(button, true, 5, 5); });
        PollInputEvents();
        for (int b = 0; b < 8; ++b) EXPECT_FALSE(IsMouseButtonDown(b)) << button << " held " << b;
    }
}

}  // namespace
