// Input snapshots: what a demo records of each frame and substitutes for the
// live input when it plays. The queries in input.cpp ask PlayedInput first.

#include "platform/input_playback.h"
#include "platform/platform.h"

static_assert(INPUT_FRAME_KEY_COUNT <= 32, "the key masks are 32 bits");

namespace {

bool gPlayback = false;
InputFrame gPlayed{};

}  // namespace

const InputFrame* PlayedInput(void) { return gPlayback ? &gPlayed : nullptr; }

bool InputFrameHasKey(uint32_t mask, int key)
{
    for (int i = 0; i < INPUT_FRAME_KEY_COUNT; i++)
        if (INPUT_FRAME_KEYS[i] == key) return (mask >> i) & 1u;
    return false;
}

bool InputFrameCarries(int key)
{
    for (int k : INPUT_FRAME_KEYS)
        if (k == key) return true;
    return false;
}

InputFrame GetInputFrame(void)
{
    InputFrame f{};
    for (int i = 0; i < INPUT_FRAME_KEY_COUNT; i++) {
        if (IsKeyDown(INPUT_FRAME_KEYS[i])) f.keysDown |= 1u << i;
        if (IsKeyPressed(INPUT_FRAME_KEYS[i])) f.keysPressed |= 1u << i;
    }
    for (int b = 0; b < 8; b++)
        if (IsMouseButtonDown(b)) f.buttonsDown |= static_cast<uint8_t>(1u << b);
    f.mouse = GetMousePosition();
    f.wheel = GetMouseWheelMove();
    return f;
}

void SetInputPlayback(bool on)
{
    gPlayback = on;
    gPlayed = InputFrame{};
}

void ApplyInputFrame(const InputFrame* frame)
{
    if (gPlayback && frame) gPlayed = *frame;
}
