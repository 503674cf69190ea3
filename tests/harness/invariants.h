// What the resident window promises after any shift and after every frame,
// checked in one place for the streaming tests and the soak.
#pragma once

#include <cstddef>
#include <string>

#include "shell/state.h"

// Faults of the window's bookkeeping, or "" when it is sound: sorted by
// replacementdepth with ids equal to slots; the assigned depths consecutive in
// the top slots, ending at LowestChunk in slot 63 and starting at HighestChunk;
// every assigned record that does not hold its depth's terrain waiting in the
// queue; no record queued twice; and at most `maxQueued` records waiting.
std::string WindowFault(const GameInstance* g, size_t maxQueued);
