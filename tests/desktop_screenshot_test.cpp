// F12 in a desktop window: the frame saved at its own size under the first
// free number, never over a file already there, and a folder where nothing can
// be written said plainly while the game goes on.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "desktop_fixture.h"

namespace {

using namespace desktop;
using namespace input_events;
namespace fs = std::filesystem;

// The working folder for a test, and back to the old one afterwards.
struct InFolder {
    fs::path old = fs::current_path();
    fs::path folder;
    InFolder()
    {
        std::string pattern = testing::TempDir() + "delve_shots_XXXXXX";
        EXPECT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        fs::current_path(folder);
    }
    ~InFolder()
    {
        fs::current_path(old);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

// Presses F12 and runs frames until the next one has been presented; returns
// what went to standard error meanwhile, and checks nothing went to standard output.
std::string PressF12()
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    PushKeyScancode(SDL_SCANCODE_F12, true);
    PushKeyScancode(SDL_SCANCODE_F12, true, true);  // a held key's repeats take no more
    DrawMarks();
    const bool key = !NoKeyDown();
    PushKeyScancode(SDL_SCANCODE_F12, false);
    DrawMarks();
    DrawMarks();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(key) << "F12 reached the game as a key";
    return err;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(Desktop, F12SavesTheFrameAtFrameSizeUnderTheFirstFreeNumberAndNeverOverwrites)
{
    Open(2);
    InFolder here;
    std::ofstream(here.folder / "screenshot000.png") << "someone else's";
    std::ofstream(here.folder / "screenshot002.png") << "and another";
    EXPECT_EQ(PressF12(), "delve: screenshot saved as screenshot001.png\n");
    EXPECT_EQ(PressF12(), "delve: screenshot saved as screenshot003.png\n");
    EXPECT_EQ(ReadFile(here.folder / "screenshot000.png"), "someone else's");
    EXPECT_EQ(ReadFile(here.folder / "screenshot002.png"), "and another");
    const Png shot = ReadPng(here.folder / "screenshot003.png");
    ASSERT_FALSE(shot.rgba.empty());
    EXPECT_TRUE(shot.w == 640 && shot.h == 480) << "the frame, not the 1280x960 window";
    const unsigned char* p = &shot.rgba[(7 * 640 + 5) * 4];
    EXPECT_EQ((Rgb{p[0], p[1], p[2]}), RED_RGB);
    EXPECT_FALSE(fs::exists(here.folder / "screenshot004.png"));
}

TEST_F(Desktop, F12WhereNothingCanBeWrittenSaysWhyAndTheGameGoesOn)
{
    Open(1);
    InFolder here;
    // A working folder that is gone: nothing can be created in it, even by root.
    fs::remove(here.folder);
    const std::string err = PressF12();
    EXPECT_EQ(err,
              std::string("delve: cannot save a screenshot as screenshot000.png: ") + std::strerror(ENOENT) + "\n");
    EXPECT_TRUE(IsWindowReady() && !WindowShouldClose());
    DrawMarks();
    ExpectMarks(0, 0, 1);
    if (geteuid() != 0) {  // a folder without write permission stops anyone else
        fs::create_directory(here.folder);
        fs::current_path(here.folder);
        fs::permissions(here.folder, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(PressF12(),
                  std::string("delve: cannot save a screenshot as screenshot000.png: ") + std::strerror(EACCES) + "\n");
        fs::permissions(here.folder, fs::perms::owner_all);
    }
}

}  // namespace
