// The real game binary, started as a player starts it, from a folder of its
// own: what it says and how it ends when its tile image or its font is
// missing or broken, and when no window can be opened.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness/process.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using namespace process;
using namespace std::chrono_literals;

// Generous: a sanitizer build starts and stops several times slower.
constexpr auto START_LIMIT = 30s;
constexpr auto STOP_LIMIT = 30s;

struct GameRun {
    bool started = false;  // reached the point where SIGTERM asks it to close
    int status = -1;       // as waitpid gives it; -1 when it hung and was killed
    std::string out;
    std::string err;
};

struct BinaryTest : testing::Test {
    fs::path home;  // a scratch folder holding the binary's copy
    fs::path game;

    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "delve_binary_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home = pattern;
        fs::path built = fs::path(GetApplicationDirectory()) / "delve";
        ASSERT_TRUE(fs::exists(built)) << built;
        game = home / "delve";
        fs::copy_file(built, game);
    }
    void TearDown() override { fs::remove_all(home); }

    // Starts the copy in `folder` under the given video driver (none, and no
    // display either, when null). When `stop`,
    // sends SIGTERM once the game is up, as a desktop's logout would.
    // `env` then sets variables in the child ("" unsets one).
    GameRun Start(const fs::path& folder, const char* videoDriver, bool stop, std::vector<std::string> args = {},
                  const std::vector<std::pair<const char*, const char*>>& env = {})
    {
        GameRun run;
        fs::path out = home / "stdout.txt", err = home / "stderr.txt";
        pid_t pid = fork();
        if (pid == 0) {
            if (!RedirectInto(out, err, folder)) _exit(126);
            if (videoDriver) {
                setenv("SDL_VIDEODRIVER", videoDriver, 1);
            } else {  // a machine with no display at all: over ssh, or a text console
                unsetenv("SDL_VIDEODRIVER");
                unsetenv("DISPLAY");
                unsetenv("WAYLAND_DISPLAY");
            }
            setenv("SDL_RENDER_DRIVER", "software", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            for (const auto& [name, value] : env) *value ? setenv(name, value, 1) : unsetenv(name);
            std::string program = game.string();
            std::vector<char*> argv{program.data()};
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(game.c_str(), argv.data());
            _exit(127);
        }
        EXPECT_GT(pid, 0);
        if (pid <= 0) return run;
        if (stop) {
            auto deadline = std::chrono::steady_clock::now() + START_LIMIT;
            while (!(run.started = CatchesSigterm(pid)) && std::chrono::steady_clock::now() < deadline &&
                   waitpid(pid, nullptr, WNOHANG) == 0)
                std::this_thread::sleep_for(5ms);
            // A few frames, then the request to close.
            std::this_thread::sleep_for(200ms);
            kill(pid, SIGTERM);
        }
        run.status = WaitFor(pid, STOP_LIMIT);
        if (run.status == -1) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        run.out = ReadFile(out);
        run.err = ReadFile(err);
        return run;
    }

    // Runs the game with `image` as its tile image (none when null) and checks
    // one warning that names the image, a quiet standard output and a clean end.
    void ExpectWarnedAndClosed(const std::string* image)
    {
        fs::remove_all(home / "resources");
        fs::create_directory(home / "resources");
        fs::copy_file(fs::path(GetApplicationDirectory()) / "resources" / "DejaVuSans.ttf",
                      home / "resources" / "DejaVuSans.ttf");
        if (image) WriteFile(home / "resources" / "tiles.png", *image);
        // Missing, it is first said where it was looked for, in order.
        const std::string search =
            image ? ""
                  : "delve: no tile image found; looked for it at, in order: resources/tiles.png, " +
                        (home / "resources/tiles.png").string() + ", " +
                        (home / DELVE_DATA_FROM_BINARY / "resources/tiles.png").string() + ", " + DELVE_DATA_DIR +
                        "/resources/tiles.png\n";
        ExpectOneWarningAndAClean("delve: cannot load texture 'resources/tiles.png': ", search);
    }

    // Runs the game in its folder and checks a clean end with one warning,
    // which starts `start` (after the line `first`, when given), and a quiet
    // standard output.
    void ExpectOneWarningAndAClean(const std::string& start, const std::string& first = "")
    {
        GameRun run = Start(home, "dummy", true);
        EXPECT_TRUE(run.started) << run.err;
        ASSERT_NE(run.status, -1) << "did not close after SIGTERM";
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << "status " << run.status << "\n"
                                                                           << run.err;
        EXPECT_EQ(run.out, "");
        std::string err = run.err;
        if (!first.empty()) {
            EXPECT_EQ(err.substr(0, first.size()), first);
            err.erase(0, std::min(err.size(), first.size()));
        }
        EXPECT_EQ(err.rfind(start, 0), 0u) << run.err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << run.err;
        EXPECT_GT(err.size(), start.size() + 1) << "the warning gives a reason";
    }
};

TEST_F(BinaryTest, MissingTileImageNamesEveryPlaceLookedAndTheGameStillRunsAndCloses)
{
    ExpectWarnedAndClosed(nullptr);
}

TEST_F(BinaryTest, EmptyTruncatedOrForeignTileImagesGiveOneWarningEach)
{
    const std::string good = ReadFile(fs::path(GetApplicationDirectory()) / "resources" / "tiles.png");
    ASSERT_GT(good.size(), 60u);
    const std::string images[] = {"", good.substr(0, good.size() / 2), "GIF89a, or so it says\n"};
    for (const std::string& image : images) {
        SCOPED_TRACE(testing::Message() << image.size() << " bytes");
        ExpectWarnedAndClosed(&image);
    }
}

// The caption's font is shipped with the game: without it, or with a file that
// is no font or a cut-off one, the game says so once and plays on without text.
TEST_F(BinaryTest, MissingOrBrokenFontGivesOneWarningAndTheGameStillRuns)
{
    const fs::path built = fs::path(GetApplicationDirectory()) / "resources";
    const std::string font = ReadFile(built / "DejaVuSans.ttf");
    ASSERT_GT(font.size(), 100000u);
    const std::string fonts[] = {"", font.substr(0, font.size() / 3), font.substr(0, 200),
                                 "this is no font at all, just words\n"};
    for (size_t i = 0; i <= std::size(fonts); ++i) {
        SCOPED_TRACE(i);
        fs::remove_all(home / "resources");
        fs::create_directory(home / "resources");
        fs::copy_file(built / "tiles.png", home / "resources" / "tiles.png");
        // The last round has no font at all.
        if (i < std::size(fonts)) WriteFile(home / "resources" / "DejaVuSans.ttf", fonts[i]);
        ExpectOneWarningAndAClean("delve: cannot use the font 'resources/DejaVuSans.ttf': ");
    }
}

TEST_F(BinaryTest, TheImageBesideTheBinaryIsFoundFromAnyFolderAndLoadsQuietly)
{
    fs::copy(fs::path(GetApplicationDirectory()) / "resources", home / "resources", fs::copy_options::recursive);
    fs::path elsewhere = home / "elsewhere";
    fs::create_directory(elsewhere);
    GameRun run = Start(elsewhere, "dummy", true);
    EXPECT_TRUE(run.started);
    ASSERT_NE(run.status, -1) << "did not close after SIGTERM";
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << "status " << run.status;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

// One line on standard error, nothing on standard output, exit status 1.
void ExpectRefusedWindow(const GameRun& run, const std::string& reasonPart)
{
    ASSERT_NE(run.status, -1) << "hung without a window";
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 1) << "status " << run.status;
    EXPECT_EQ(run.out, "");
    const std::string start = "delve: cannot open a window: ";
    EXPECT_EQ(run.err.rfind(start, 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(reasonPart), std::string::npos) << run.err;
}

TEST_F(BinaryTest, NoWindowMeansOneMessageAndExitStatusOne)
{
    ExpectRefusedWindow(Start(home, "nonexistent", false), "nonexistent");
}

TEST_F(BinaryTest, NoDisplayAtAllSaysSoAndHowToRunHeadless)
{
    // Left to itself SDL would fall through to a headless driver here and
    // the game would run unseen until killed.
    GameRun run = Start(home, nullptr, false);
    ExpectRefusedWindow(run, "no display found");
    EXPECT_NE(run.err.find("SDL_VIDEODRIVER=dummy"), std::string::npos) << run.err;
}

// A display named but not there, and a Wayland display whose socket cannot be
// found: one line of ours that names the display and how to run headless,
// and no complaint of the system's libraries before it.
TEST_F(BinaryTest, ADisplayThatCannotBeReachedIsNamedInOneLine)
{
    // An X display number nothing listens on, with no lock file of its own.
    const std::string x = ":" + std::to_string(700 + getpid() % 200);
    const struct {
        std::vector<std::pair<const char*, const char*>> env;
        std::string names;
    } cases[] = {
        {{{"DISPLAY", x.c_str()}}, "X display " + x},
        {{{"WAYLAND_DISPLAY", "wayland-9"}, {"XDG_RUNTIME_DIR", ""}}, "Wayland display wayland-9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.names);
        GameRun run = Start(home, nullptr, false, {}, c.env);
        ExpectRefusedWindow(run, "cannot reach the " + c.names);
        EXPECT_NE(run.err.find("to run headless, with no window, set SDL_VIDEODRIVER=dummy"), std::string::npos)
            << run.err;
    }
}

TEST_F(BinaryTest, AHeadlessDriverAskedForByNameStillRuns)
{
    for (const char* driver : {"dummy", "offscreen"}) {
        SCOPED_TRACE(driver);
        // The offscreen driver loads EGL libraries whose allocations LeakSanitizer
        // can no longer name once they are unloaded; the game's own code is
        // leak-checked in the dummy run.
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string saved = asan ? asan : "";
        if (std::string(driver) == "offscreen") setenv("ASAN_OPTIONS", (saved + ":detect_leaks=0").c_str(), 1);
        fs::copy(fs::path(GetApplicationDirectory()) / "resources", home / "resources",
                 fs::copy_options::recursive | fs::copy_options::skip_existing);
        GameRun run = Start(home, driver, true);
        EXPECT_TRUE(run.started) << run.err;
        ASSERT_NE(run.status, -1) << "did not close after SIGTERM";
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << "status " << run.status << run.err;
        EXPECT_EQ(run.err, "");
        if (asan) {
            setenv("ASAN_OPTIONS", saved.c_str(), 1);
        } else {
            unsetenv("ASAN_OPTIONS");
        }
    }
}

// The command line is read before any window: --help and --version answer
// even where no display could be had, and a mistake is one line and status 2.
TEST_F(BinaryTest, HelpAndVersionPrintOnStandardOutputAndExitZeroWithoutAWindow)
{
    for (const char* spelling : {"--help", "-h"}) {
        SCOPED_TRACE(spelling);
        GameRun help = Start(home, nullptr, false, {spelling});
        EXPECT_TRUE(WIFEXITED(help.status) && WEXITSTATUS(help.status) == 0) << help.status << help.err;
        EXPECT_EQ(help.out.rfind("usage: delve [options]\n", 0), 0u) << help.out;
        for (const char* option : {"--help", "--version", "--scale N", "--fullscreen"})
            EXPECT_NE(help.out.find(option), std::string::npos) << option;
        EXPECT_EQ(help.err, "");
    }
    for (const char* spelling : {"--version", "-V"}) {
        SCOPED_TRACE(spelling);
        GameRun version = Start(home, nullptr, false, {spelling});
        EXPECT_TRUE(WIFEXITED(version.status) && WEXITSTATUS(version.status) == 0) << version.status;
        EXPECT_EQ(version.out, std::string("delve ") + DELVE_VERSION + "\n");
        EXPECT_EQ(version.err, "");
    }
}

TEST_F(BinaryTest, AMistakeOnTheCommandLineIsOneLineAndStatusTwoBeforeAnyWindow)
{
    const std::vector<std::string> mistakes[] = {
        {"--scale", "9"},
        {"--scale", "0"},
        {"--scale=two"},
        {"--scale"},
        {"--fulscreen"},
        {"extra"},
        {"--fullscreen", "--fullscreen"},
        {"--timedemo"},
    };
    for (const auto& args : mistakes) {
        SCOPED_TRACE(args[0]);
        // No display at all: a window attempt would say so instead.
        GameRun run = Start(home, nullptr, false, args);
        ASSERT_NE(run.status, -1);
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 2) << run.status << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("delve: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find("(see delve --help)\n"), std::string::npos) << run.err;
    }
}

TEST_F(BinaryTest, ScaleAndFullscreenStartAndCloseHeadless)
{
    fs::copy(fs::path(GetApplicationDirectory()) / "resources", home / "resources", fs::copy_options::recursive);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--scale", "3"}, {"--fullscreen", "--scale=2"}}) {
        SCOPED_TRACE(args[0]);
        GameRun run = Start(home, "dummy", true, args);
        EXPECT_TRUE(run.started) << run.err;
        ASSERT_NE(run.status, -1) << "did not close after SIGTERM";
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.status << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
