// A desktop that refuses to change the window to or from fullscreen: the game
// says so once, on standard error, and carries on as it was.
//
// SDL's dummy driver never refuses, so this test program stands in for SDL's
// SDL_SetWindowFullscreen: the game's calls reach the one defined here, which
// hands them on to SDL's own unless a test has asked it to refuse.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "desktop_fixture.h"

namespace {

bool gRefuse = false;  // the next fullscreen changes fail, as a desktop may make them

}  // namespace

extern "C" int SDL_SetWindowFullscreen(SDL_Window* window, Uint32 flags)
{
    if (gRefuse) return SDL_SetError("the desktop said no");
    using Real = int (*)(SDL_Window*, Uint32);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "SDL_SetWindowFullscreen"));
    return real ? real(window, flags) : SDL_SetError("no SDL_SetWindowFullscreen");
}

namespace {

using desktop::Desktop;
using desktop::WindowSize;

// ToggleFullscreen with standard error caught.
std::string ToggleCaught()
{
    testing::internal::CaptureStderr();
    ToggleFullscreen();
    return testing::internal::GetCapturedStderr();
}

TEST_F(Desktop, AFullscreenChangeTheDesktopRefusesIsOneLineAndChangesNothing)
{
    Open(1);
    SetWindowSize(1000, 700);
    gRefuse = true;
    EXPECT_EQ(ToggleCaught(), "delve: cannot go fullscreen: the desktop said no\n");
    EXPECT_FALSE(IsWindowFullscreen());
    EXPECT_EQ(WindowSize(), (std::array<int, 2>{1000, 700}));

    gRefuse = false;
    EXPECT_EQ(ToggleCaught(), "");
    ASSERT_TRUE(IsWindowFullscreen());
    gRefuse = true;
    EXPECT_EQ(ToggleCaught(), "delve: cannot leave fullscreen: the desktop said no\n");
    EXPECT_TRUE(IsWindowFullscreen()) << "still fullscreen, as the window is";
    EXPECT_EQ(ToggleCaught(), "delve: cannot leave fullscreen: the desktop said no\n") << "again on the next try";

    gRefuse = false;
    EXPECT_EQ(ToggleCaught(), "");
    EXPECT_FALSE(IsWindowFullscreen());
    EXPECT_EQ(WindowSize(), (std::array<int, 2>{1000, 700})) << "the windowed size comes back";
}

}  // namespace
