// The settings file: what it reads and refuses, that it reads back what it
// writes, that the command line wins over it, and that a write replaces the
// file whole or leaves it alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/options.h"
#include "shell/settings.h"
#include "shell/window_settings.h"

namespace {

namespace fs = std::filesystem;

bool Same(const Settings& a, const Settings& b)
{
    return a.width == b.width && a.height == b.height && a.positioned == b.positioned && a.x == b.x && a.y == b.y &&
           a.scale == b.scale && a.fullscreen == b.fullscreen;
}

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SettingsTest, WhatIsWrittenReadsBackTheSame)
{
    const Settings cases[] = {
        {1280, 960, true, 160, 120, 2, false},
        {320, 240, true, -1800, -5, 1, true},  // on a screen left of the first one
        {1400, 1000, false, 0, 0, 2, false},   // a headless window is nowhere
        {MAX_SETTINGS_SIZE, 1, true, MAX_SETTINGS_PLACE, -MAX_SETTINGS_PLACE, 8, true},
    };
    for (const Settings& s : cases) {
        Settings back{7, 7, false, 7, 7, 7, false};
        std::string error;
        const std::string text = FormatSettings(s);
        ASSERT_TRUE(ParseSettings(text, &back, &error)) << error << "\n" << text;
        EXPECT_TRUE(Same(back, s)) << text;
    }
}

TEST(SettingsTest, CommentsBlankLinesSpacesAndWindowsLineEndsAreFine)
{
    Settings s;
    std::string error;
    ASSERT_TRUE(ParseSettings("; hand-edited\r\n\r\n[window]\r\n  width = 800 \r\nheight=600\r\n# the end", &s, &error))
        << error;
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.height, 600);
    EXPECT_FALSE(s.positioned || s.fullscreen);
    EXPECT_EQ(s.scale, 0);
}

TEST(SettingsTest, ABrokenOrForeignFileIsRefusedWholeWithItsReason)
{
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"", "no [window] section"},
        {"[window]\nwidth=800\nheight=600\n[sound]\nvolume=3\n", "line 4: unknown section [sound]"},
        {"width=800\n[window]\n", "line 1: a setting before [window]"},
        {"[window]\nwidth=800\nheight=600\nzoom=3\n", "line 4: unknown setting 'zoom'"},
        {"[window]\nwidth=800\nwidth=900\nheight=600\n", "line 3: 'width' given twice"},
        {"[window]\n[window]\n", "line 2: [window] given twice"},
        {"[window]\nwidth=800px\nheight=600\n", "line 2: 'width' is not a whole number from 1 to 16384"},
        {"[window]\nwidth=0\nheight=600\n", "line 2: 'width' is not a whole number from 1 to 16384"},
        {"[window]\nwidth=99999999999999999999\nheight=1\n", "line 2: 'width' is not a whole number from 1 to 16384"},
        {"[window]\nscale=9\n", "line 2: 'scale' is not a whole number from 1 to 8"},
        {"[window]\nfullscreen=yes\n", "line 2: 'fullscreen' is not a whole number from 0 to 1"},
        {"[window]\nx=\n", "line 2: 'x' is not a whole number from -100000 to 100000"},
        {"[window]\nwidth=800\n", "width and height come together"},
        {"[window]\nx=5\n", "x and y come together"},
        {"[window]\njust some words\n", "line 2: not a setting (name=value)"},
        {std::string("[window]\nwidth=8\0", 17) + "00\nheight=600\n", "not a text file"},
        {"\x89PNG\r\n\x1a\n", "line 1: not a setting (name=value)"},
    };
    for (const auto& c : cases) {
        Settings s{1, 2, true, 3, 4, 5, true};
        std::string error;
        EXPECT_FALSE(ParseSettings(c.text, &s, &error)) << c.text;
        EXPECT_EQ(error, c.reason) << c.text;
        EXPECT_TRUE(Same(s, Settings{1, 2, true, 3, 4, 5, true})) << "untouched: " << c.text;
    }
}

struct SettingsFileTest : testing::Test {
    fs::path folder = fs::path(testing::TempDir()) / "delve-settings-test";
    fs::path file = folder / "settings.ini";
    void SetUp() override
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    int Entries() { return static_cast<int>(std::distance(fs::directory_iterator(folder), {})); }
};

TEST_F(SettingsFileTest, AMissingFileIsNoErrorAndUnreadableOnesAreBroken)
{
    Settings s;
    std::string error;
    EXPECT_EQ(ReadSettingsFile(file.string(), &s, &error), SettingsFile::Missing);
    EXPECT_EQ(error, "");
    fs::create_directory(file);  // a folder where the file should be
    EXPECT_EQ(ReadSettingsFile(file.string(), &s, &error), SettingsFile::Broken);
#ifdef _WIN32
    EXPECT_EQ(error, "Permission denied");  // Windows' C library's word for a folder
#else
    EXPECT_EQ(error, "Is a directory");
#endif
    fs::remove(file);
    std::ofstream(file) << "[window]\n" << std::string(MAX_SETTINGS_BYTES, '#') << "\n";
    EXPECT_EQ(ReadSettingsFile(file.string(), &s, &error), SettingsFile::Broken);
    EXPECT_EQ(error, "longer than 65536 bytes");
    std::ofstream(file) << "[window]\nwidth=800\nheight=600\n";
    EXPECT_EQ(ReadSettingsFile(file.string(), &s, &error), SettingsFile::Read);
    EXPECT_EQ(s.width, 800);
}

TEST_F(SettingsFileTest, AWriteReplacesTheFileWholeOrLeavesItAsItWas)
{
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(file.string(), "first\n", &error)) << error;
    ASSERT_TRUE(WriteFileAtomically(file.string(), "second, longer\n", &error)) << error;
    EXPECT_EQ(Slurp(file), "second, longer\n");
    EXPECT_EQ(Entries(), 1) << "no temporary file is left";
#ifndef _WIN32  // Windows' files have no such modes
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
#endif

    // The rename fails (a folder of that name, not empty): the old file and no leftovers.
    const fs::path blocked = folder / "blocked.ini";
    fs::create_directories(blocked / "inside");
    EXPECT_FALSE(WriteFileAtomically(blocked.string(), "new\n", &error));
    EXPECT_NE(error, "");
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    EXPECT_EQ(Entries(), 2);
    // No folder to write in.
    EXPECT_FALSE(WriteFileAtomically((folder / "gone" / "settings.ini").string(), "new\n", &error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_EQ(Entries(), 2);
}

TEST(WindowStartTest, TheCommandLineWinsOverTheFileForTheRun)
{
    const Settings kept{1400, 1000, true, 30, 40, 2, false};
    Options none;
    WindowStart s = ChooseWindowStart(none, &kept);
    EXPECT_TRUE(s.placed && !s.fullscreen);
    EXPECT_EQ(s.placement.width, 1400);
    EXPECT_EQ(s.placement.height, 1000);
    EXPECT_TRUE(s.placement.positioned && s.placement.x == 30 && s.placement.y == 40);

    Options scaled;
    const char* scaleArgs[] = {"delve", "--scale", "3"};
    std::string error;
    ASSERT_TRUE(ParseOptions(3, scaleArgs, &scaled, &error));
    s = ChooseWindowStart(scaled, &kept);
    EXPECT_FALSE(s.placed) << "--scale decides the size";
    EXPECT_EQ(s.scale, 3);

    Options full;
    full.fullscreen = true;
    s = ChooseWindowStart(full, &kept);
    EXPECT_TRUE(s.fullscreen && s.placed && s.placement.fullscreen) << "fullscreen, returning to the size kept";

    const Settings fullKept{800, 600, false, 0, 0, 1, true};
    s = ChooseWindowStart(none, &fullKept);
    EXPECT_TRUE(s.fullscreen && s.placement.fullscreen);
    EXPECT_FALSE(s.placement.positioned);

    const Settings scaleOnly{0, 0, false, 0, 0, 2, false};
    s = ChooseWindowStart(none, &scaleOnly);
    EXPECT_FALSE(s.placed);
    EXPECT_EQ(s.scale, 2);

    s = ChooseWindowStart(scaled, nullptr);
    EXPECT_FALSE(s.placed || s.fullscreen);
    EXPECT_EQ(s.scale, 3);
}

TEST(WindowStartTest, AWindowIsKeptWithTheMultipleItShowsTheFrameAt)
{
    Settings s = SettingsOfWindow(WindowPlacement{10, 20, true, 1400, 1000, false}, 640, 480);
    EXPECT_EQ(s.scale, 2);
    EXPECT_TRUE(s.positioned && s.x == 10 && s.y == 20 && s.width == 1400 && s.height == 1000);
    EXPECT_EQ(SettingsOfWindow(WindowPlacement{0, 0, false, 320, 240, true}, 640, 480).scale, 1);
    s = SettingsOfWindow(WindowPlacement{0, 0, false, 640 * 20, 480 * 20, false}, 640, 480);
    EXPECT_EQ(s.scale, MAX_WINDOW_SCALE);
    EXPECT_FALSE(s.positioned);
}

}  // namespace
