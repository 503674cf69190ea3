// Screenshots at their limits, headless: the last of the thousand numbered
// names, a disk that fills up halfway through a picture, and a file that
// fails as it is closed.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "harness/input_events.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

std::string gFailClosing;  // a file name: closing a file of that name fails

}  // namespace

// This test program stands in for the C library's close: a file named
// gFailClosing is closed and then reported failed, as a network disk reports
// a write it could not finish only when the file is closed.
extern "C" int close(int fd)
{
    using Real = int (*)(int);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "close"));
    if (!gFailClosing.empty()) {
        char target[4096];
        const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
        const std::string path(target, n > 0 ? static_cast<size_t>(n) : 0);
        if (path.size() >= gFailClosing.size() &&
            path.compare(path.size() - gFailClosing.size(), gFailClosing.size(), gFailClosing) == 0) {
            real(fd);
            errno = EIO;
            return -1;
        }
    }
    return real(fd);
}

namespace {

void Frame()
{
    BeginDrawing();
    ClearBackground(Color{80, 80, 80, 255});
    DrawRectangle(5, 7, 1, 1, Color{255, 0, 0, 255});
    EndDrawing();
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A window on SDL's dummy driver, working in a scratch folder of its own.
struct ScreenshotTest : testing::Test {
    fs::path old, folder;
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        SetTargetFPS(0);
        ASSERT_TRUE(InitWindow(640, 480, "screenshot test"));
        old = fs::current_path();
        folder = fs::path(testing::TempDir()) / ("delve_shots_" + std::to_string(getpid()));
        fs::create_directories(folder);
        fs::current_path(folder);
        Frame();
    }
    void TearDown() override
    {
        CloseWindow();
        fs::current_path(old);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    // F12 pressed and let go over two frames; what went to standard error.
    static std::string PressF12()
    {
        testing::internal::CaptureStderr();
        input_events::PushKeyScancode(SDL_SCANCODE_F12, true);
        Frame();
        input_events::PushKeyScancode(SDL_SCANCODE_F12, false);
        Frame();
        return testing::internal::GetCapturedStderr();
    }
};

// The last number is used, and only when it too is taken is nothing saved.
TEST_F(ScreenshotTest, F12TakesTheLastFreeNumberAndRefusesWhenAThousandExist)
{
    for (int n = 0; n < 999; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "screenshot%03d.png", n);
        std::ofstream(folder / name) << n;
    }
    EXPECT_EQ(PressF12(), "delve: screenshot saved as screenshot999.png\n");
    EXPECT_EQ(ReadFile(folder / "screenshot999.png").rfind("\x89PNG", 0), 0u);
    EXPECT_EQ(PressF12(), "delve: cannot save a screenshot: screenshot000.png to screenshot999.png all exist\n");
    EXPECT_FALSE(fs::exists(folder / "screenshot1000.png"));
    EXPECT_EQ(ReadFile(folder / "screenshot998.png"), "998");
}

// A file that can take only part of the picture (the disk fills up) is a
// failure with its reason, not a picture cut short and called saved.
TEST_F(ScreenshotTest, AScreenshotCutShortByAFullDiskIsAFailure)
{
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);  // the write past the limit fails instead
    rlimit small = old;
    small.rlim_cur = 1000;  // far less than the frame's PNG
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const bool named = TakeScreenshot("cut.png");
    const std::string namedErr = testing::internal::GetCapturedStderr();
    const std::string numberedErr = PressF12();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(named);
    EXPECT_EQ(namedErr, std::string("delve: cannot save screenshot 'cut.png': ") + std::strerror(EFBIG) + "\n");
    EXPECT_EQ(numberedErr,
              std::string("delve: cannot save a screenshot as screenshot000.png: ") + std::strerror(EFBIG) + "\n");
    EXPECT_FALSE(fs::exists(folder / "screenshot000.png")) << "an unfinished screenshot is removed";
}

// A whole picture written is still a failure when closing its file fails; and
// an error some earlier call left behind does not fail one that succeeds.
TEST_F(ScreenshotTest, AFileThatFailsAsItClosesIsAFailureAndAnOldErrorIsNot)
{
    gFailClosing = "/closing.png";
    testing::internal::CaptureStderr();
    const bool named = TakeScreenshot("closing.png");
    const std::string namedErr = testing::internal::GetCapturedStderr();
    gFailClosing = "/screenshot000.png";
    const std::string numberedErr = PressF12();
    gFailClosing.clear();
    EXPECT_FALSE(named);
    EXPECT_EQ(namedErr, std::string("delve: cannot save screenshot 'closing.png': ") + std::strerror(EIO) + "\n");
    EXPECT_EQ(numberedErr,
              std::string("delve: cannot save a screenshot as screenshot000.png: ") + std::strerror(EIO) + "\n");
    EXPECT_FALSE(fs::exists(folder / "screenshot000.png")) << "an unfinished screenshot is removed";

    errno = ENOSPC;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(TakeScreenshot("whole.png"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ReadFile(folder / "whole.png").rfind("\x89PNG", 0), 0u);
}

}  // namespace
