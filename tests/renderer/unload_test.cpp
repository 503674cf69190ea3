// UnloadTexture: a texture given back draws nothing afterwards, whichever
// texture of the run it was.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/platform.h"
#include "renderer/platform_fixture.h"

namespace {

using Unload = Platform;

// True when a texture draws while loaded and nothing once unloaded.
bool DrawsOnlyWhileLoaded()
{
    const Texture2D texture = WhiteTexture();
    const auto draw = [&] {
        DrawTexturePro(texture, Rectangle{0, 0, 8, 8}, Rectangle{10, 10, 8, 8}, Vector2{0, 0}, 0.0f, WHITE);
    };
    const uint64_t loaded = Frame(draw);
    UnloadTexture(texture);
    const uint64_t unloaded = Frame(draw);
    return texture.id != 0 && loaded == 1 && unloaded == 0;
}

// The first texture a run loads gets the first number handed out, so only a
// fresh process shows that one unloading: the check runs first in a process
// of its own, then again here, after others.
TEST_F(Unload, AnUnloadedTextureDrawsNothingTheFirstOfARunToo)
{
#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto fresh = [] {
        const bool ok = DrawsOnlyWhileLoaded();
        CloseWindow();
        std::exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(fresh(), testing::ExitedWithCode(0), "") << "the first texture of a fresh process";
#endif
    EXPECT_TRUE(DrawsOnlyWhileLoaded()) << "a later texture";
    EXPECT_TRUE(DrawsOnlyWhileLoaded()) << "and the one after it";
}

}  // namespace
