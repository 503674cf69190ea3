// The played input that the layer's queries answer with while a demo plays.
// Private to the platform layer.
#pragma once

#include "platform/platform.h"

// The frame being played, or null when the queries answer from live input.
const InputFrame* PlayedInput(void);
// Whether `key` is one of the frame's keys and its bit is set in `mask`.
bool InputFrameHasKey(uint32_t mask, int key);
// Whether `key` is one of the keys a frame carries (INPUT_FRAME_KEYS).
bool InputFrameCarries(int key);
