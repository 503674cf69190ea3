// While the game is paused no frame is drawn: F12's screenshot is saved at
// the poll that sees the key, from the frame last shown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "backends/memory/memory_backend.h"
#include "platform/backend.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "renderer/platform_fixture.h"

namespace {

namespace fs = std::filesystem;
using PausePoll = Platform;

TEST_F(PausePoll, F12WhilePausedSavesAtThePoll)
{
    const fs::path folder = ScratchPath("paused"), back = fs::current_path();
    fs::create_directories(folder);
    fs::current_path(folder);
    Frame([] { DrawRectangle(0, 0, 10, 10, WHITE); });
    EnableEventWaiting();
    MemoryQueueEvent([] { LayerKey(CODE_F12, true, false, false); });
    testing::internal::CaptureStderr();
    PollInputEvents();
    const std::string err = testing::internal::GetCapturedStderr();
    const bool saved = fs::exists(folder / "screenshot000.png");
    MemoryQueueEvent([] { LayerKey(CODE_F12, false, false, false); });
    PollInputEvents();
    DisableEventWaiting();
    fs::current_path(back);
    fs::remove_all(folder);
    EXPECT_EQ(err, "delve: screenshot saved as screenshot000.png\n");
    EXPECT_TRUE(saved);
}

}  // namespace
