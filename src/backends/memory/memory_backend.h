// A backend for the renderer's tests with no window and no platform library:
// frames are kept in memory as shown, events are whatever a test queues, and
// the window's size is whatever a test says.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// The last frame handed to BackendPresent, and how many have been.
const std::vector<uint32_t>& MemoryShownFrame();
int MemoryPresentCount();
// Runs `event` (calls of backend.h's Layer* functions) at the next poll.
void MemoryQueueEvent(std::function<void()> event);
// The window's size from now on, as BackendWindowSize tells it.
void MemorySetWindowSize(int width, int height);
