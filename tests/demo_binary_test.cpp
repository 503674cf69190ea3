// Demos through the real game binary: what each command line, each broken or
// cut file and each way of stopping a recording leads to, by exit status and
// by what the game says. Runs whose file is refused use a video driver that
// does not exist, so that any attempt to open a window would show.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "harness/process.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using namespace process;
using namespace std::chrono_literals;

// Generous: a sanitizer build starts, plays and stops several times slower.
constexpr auto RUN_LIMIT = 120s;

// The layout of version 1, for making broken files out of the shipped one.
constexpr size_t HEADER = 12;
constexpr size_t FRAME = 22;
constexpr size_t DIGEST = 13;
constexpr uint32_t SHIPPED_FRAMES = 286;
// Offset of frame k's record (k from 0): 30 frames, then a digest, and so on.
constexpr size_t FrameAt(size_t k) { return HEADER + k * FRAME + (k / 30) * DIGEST; }

struct GameRun {
    int status = -1;  // as waitpid gives it; -1 when it had to be killed for hanging
    std::string out;
    std::string err;
    bool Exited(int code) const { return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == code; }
};

struct DemoBinaryTest : testing::Test {
    fs::path home;
    const fs::path game = fs::path(GetApplicationDirectory()) / "delve";
    const fs::path shipped = fs::path(DELVE_DEMOS_DIR) / "descent.dem";

    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "delve_demo_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home = pattern;
        ASSERT_TRUE(fs::exists(game)) << game;
    }
    void TearDown() override { fs::remove_all(home); }

    // Runs the game with `args` in `home`; `meanwhile` gets its pid while it runs.
    // With `fileLimit`, files it writes cannot grow beyond that many bytes.
    // With `pipeOut`, standard output goes into that pipe instead of a file.
    GameRun Start(const std::vector<std::string>& args, const char* videoDriver,
                  const std::function<void(pid_t)>& meanwhile = nullptr, rlim_t fileLimit = 0,
                  const int* pipeOut = nullptr)
    {
        GameRun run;
        const fs::path out = home / "stdout.txt", err = home / "stderr.txt";
        std::vector<char*> argv{const_cast<char*>(game.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            if (!RedirectInto(out, err, home)) _exit(126);
            if (pipeOut && (dup2(pipeOut[1], STDOUT_FILENO) < 0 || close(pipeOut[0]) != 0)) _exit(126);
            setenv("SDL_VIDEODRIVER", videoDriver, 1);
            setenv("SDL_RENDER_DRIVER", "software", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            if (fileLimit) {
                signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
                const rlimit limit{fileLimit, fileLimit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            execv(argv[0], argv.data());
            _exit(127);
        }
        EXPECT_GT(pid, 0);
        if (pipeOut) close(pipeOut[1]);
        if (pid <= 0) return run;
        if (meanwhile) meanwhile(pid);
        const auto deadline = std::chrono::steady_clock::now() + RUN_LIMIT;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) != pid) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
                status = -1;
                break;
            }
            std::this_thread::sleep_for(5ms);
        }
        run.status = status;
        run.out = ReadFile(out);
        run.err = ReadFile(err);
        return run;
    }
    // Writes `bytes` as a demo and times it.
    GameRun Timedemo(const std::string& bytes, const char* videoDriver = "dummy")
    {
        WriteFile(home / "test.dem", bytes);
        return Start({"--timedemo", (home / "test.dem").string()}, videoDriver);
    }
};

TEST_F(DemoBinaryTest, CommandLineMistakesAndAnExistingRecordingStopBeforeAnyWindow)
{
    const fs::path existing = home / "old.dem";
    WriteFile(existing, "precious");
    const fs::file_time_type written = fs::last_write_time(existing);
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"--record", "a", "--timedemo", "b"},
         "delve: --record, --play and --timedemo exclude one another (see delve --help)\n"},
        {{"--record", existing.string()}, "delve: cannot record to " + existing.string() + ": the file exists\n"},
        {{"--record", (home / "no" / "such" / "folder.dem").string()},
         "delve: cannot record to " + (home / "no" / "such" / "folder.dem").string() + ": No such file or directory\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        GameRun run = Start(c.args, "nonexistent");
        EXPECT_TRUE(run.Exited(2)) << run.status << "\n" << run.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(ReadFile(existing), "precious");
    EXPECT_EQ(fs::last_write_time(existing), written);

    GameRun help = Start({"--help"}, "nonexistent");
    EXPECT_TRUE(help.Exited(0));
    EXPECT_NE(help.out.find("--timedemo FILE"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");

    // Without a window the new recording is not left behind.
    GameRun noWindow = Start({"--record", "new.dem"}, "nonexistent");
    EXPECT_TRUE(noWindow.Exited(1)) << noWindow.err;
    EXPECT_FALSE(fs::exists(home / "new.dem"));
}

TEST_F(DemoBinaryTest, BrokenForgedAndForeignFilesAreRefusedWithTheirReason)
{
    const std::string good = ReadFile(shipped);
    ASSERT_EQ(good.size(), FrameAt(SHIPPED_FRAMES) + DIGEST) << "the shipped demo's layout";
    auto with = [&](size_t at, std::string bytes) { return std::string(good).replace(at, bytes.size(), bytes); };
    const size_t firstDigest = FrameAt(30) - DIGEST;
    const size_t end = good.size() - DIGEST;
    struct Case {
        const char* what;
        std::string bytes;
        std::string reason;
    };
    const Case cases[] = {
        {"empty", "", "the file is empty"},
        {"foreign", "GIF89a, or so it says", "not a delve demo"},
        {"cut in its header", good.substr(0, 10), "the file ends within its header"},
        {"a later version", with(8, std::string("\x02\x00", 2)), "format version 2, this build plays version 1"},
        {"another key list", with(10, std::string("\x08\x00", 2)), "the header gives 8 keys where version 1 has 9"},
        {"an unknown record", with(FrameAt(0), "X"), "unknown record 0x58 after frame 0"},
        {"a key beyond the list", with(FrameAt(3) + 2, "\x02"), "a frame holds keys beyond the key list after frame 3"},
        {"a key pressed beyond the list", with(FrameAt(5) + 6, "\x02"),
         "a frame holds keys beyond the key list after frame 5"},
        {"a cursor that is not a number", with(FrameAt(4) + 10, std::string("\x00\x00\xc0\x7f", 4)),
         "a frame holds a cursor or wheel that is not a number after frame 4"},
        {"a wheel that is not a number", with(FrameAt(6) + 18, std::string("\x00\x00\xc0\x7f", 4)),
         "a frame holds a cursor or wheel that is not a number after frame 6"},
        {"a missing digest", std::string(good).erase(firstDigest, DIGEST), "no digest after frame 30"},
        {"an end where a digest is due",
         good.substr(0, firstDigest) + std::string("E\x1e\0\0\0", 5) + std::string(8, '\0'),
         "no digest after frame 30"},
        {"a second digest", std::string(good).insert(FrameAt(30), good.substr(firstDigest, DIGEST)),
         "a digest out of place after frame 30"},
        {"a digest for the wrong frame", with(firstDigest + 1, "\x1f"), "a digest for 31 frames after frame 30"},
        {"a digest out of place", std::string(good).insert(FrameAt(1), std::string("H\x01\0\0\0\0\0\0\0\0\0\0\0", 13)),
         "a digest out of place after frame 1"},
        {"a forged frame count", with(end + 1, std::string("\xff\xff\xff\xff", 4)),
         "the end gives 4294967295 frames after frame 286"},
        {"data after the end", good + "F", "data after the end record"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GameRun run = Timedemo(c.bytes, "nonexistent");
        EXPECT_TRUE(run.Exited(2)) << run.status << "\n" << run.err;
        EXPECT_EQ(run.err, "delve: cannot play " + (home / "test.dem").string() + ": " + c.reason + "\n");
        EXPECT_EQ(run.out, "");
    }
    for (const fs::path& path : {home / "missing.dem", home}) {
        GameRun run = Start({"--play", path.string()}, "nonexistent");
        EXPECT_TRUE(run.Exited(2)) << run.status;
        EXPECT_EQ(run.err, "delve: cannot play " + path.string() + ": " +
                               (path == home ? "Is a directory" : "No such file or directory") + "\n");
    }
}

TEST_F(DemoBinaryTest, ACutFilePlaysItsWholeFramesAndWarns)
{
    const std::string good = ReadFile(shipped);
    const struct {
        size_t length;
        uint32_t frames;
    } cuts[] = {
        {FrameAt(35) + 10, 35},          // within a frame
        {FrameAt(30) - DIGEST + 5, 30},  // within a digest
        {FrameAt(60), 60},               // between records, where a killed recording stops
        {HEADER, 0},
    };
    for (const auto& cut : cuts) {
        SCOPED_TRACE(testing::Message() << cut.length << " bytes");
        GameRun run = Timedemo(good.substr(0, cut.length));
        EXPECT_TRUE(run.Exited(0)) << run.status << "\n" << run.err;
        const std::string warning = "delve: demo ends early at frame " + std::to_string(cut.frames) + "\n";
        EXPECT_EQ(run.err.rfind(warning, 0), 0u) << run.err;
        EXPECT_EQ(run.err.find("timedemo: " + std::to_string(cut.frames) + " frames in ", warning.size()),
                  warning.size())
            << run.err;
    }
}

TEST_F(DemoBinaryTest, ADifferentGameIsADesyncAtTheFirstDigestThatDiffers)
{
    const std::string good = ReadFile(shipped);
    const size_t firstDigest = FrameAt(30) - DIGEST;
    struct Case {
        const char* what;
        size_t at;
        char flip;
        uint32_t frame;
    };
    const Case cases[] = {
        {"the digest after frame 30", firstDigest + 5, 0x01, 30},
        {"the final digest", good.size() - 1, 0x40, SHIPPED_FRAMES},
        // Keypad + pressed in frame 140: the zoom, and all after it, differ.
        {"one frame's input", FrameAt(140) + 5, 0x40, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = good;
        bytes[c.at] = static_cast<char>(bytes[c.at] ^ c.flip);
        GameRun run = Timedemo(bytes);
        EXPECT_TRUE(run.Exited(3)) << run.status << "\n" << run.err;
        EXPECT_EQ(run.err, "delve: demo desync at frame " + std::to_string(c.frame) + "\n");
    }
}

// Waits until the game is up, lets it play a little, then sends `signal`.
std::function<void(pid_t)> SignalWhenUp(int signal)
{
    return [signal](pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + RUN_LIMIT;
        while (!CatchesSigterm(pid) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(1500ms);
        kill(pid, signal);
    };
}

// The same once the recording holds `frames` frames on disk (it writes once a
// second): on a busy machine a fixed time may see too few frames.
std::function<void(pid_t)> SignalWhenRecorded(int signal, fs::path demo, size_t frames)
{
    return [signal, demo, frames](pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + RUN_LIMIT;
        std::error_code e;
        while (!(CatchesSigterm(pid) && fs::exists(demo, e) && fs::file_size(demo, e) >= FrameAt(frames)) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        kill(pid, signal);
    };
}

// The summary line's frame count and state.
std::pair<std::string, std::string> Summary(const std::string& err, const std::string& verb)
{
    const std::string head = "demo: ";
    const size_t frames = err.find(" frames " + verb + ", state ");
    if (err.rfind(head, 0) != 0 || frames == std::string::npos || err.back() != '\n') return {};
    return {err.substr(head.size(), frames - head.size()), err.substr(err.size() - 17, 16)};
}

TEST_F(DemoBinaryTest, ARecordingEndedBySigtermSigintOrSighupIsCompleteAndPlaysToTheSameState)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {  // SIGHUP: the terminal it ran in was closed
        SCOPED_TRACE(strsignal(signal));
        const fs::path demo = home / ("signal" + std::to_string(signal) + ".dem");
        GameRun recorded = Start({"--record", demo.string()}, "dummy", SignalWhenRecorded(signal, demo, 31));
        EXPECT_TRUE(recorded.Exited(0)) << recorded.status << "\n" << recorded.err;
        const auto [frames, state] = Summary(recorded.err, "recorded");
        ASSERT_NE(frames, "") << recorded.err;
        EXPECT_GE(std::stoi(frames), 30) << "a digest on the way is checked too";

        GameRun played = Start({"--play", demo.string()}, "dummy");
        EXPECT_TRUE(played.Exited(0)) << played.status << "\n" << played.err;
        EXPECT_EQ(played.err, "demo: " + frames + " frames played, state " + state + "\n");
        EXPECT_EQ(played.out, recorded.out);
    }
}

TEST_F(DemoBinaryTest, APlaybackStoppedPartwayEndsWithoutAWarning)
{
    // The file did not end early: the player stopped watching.
    GameRun stopped = Start({"--play", shipped.string()}, "dummy", SignalWhenUp(SIGTERM));
    EXPECT_TRUE(stopped.Exited(0)) << stopped.status << "\n" << stopped.err;
    const auto [frames, state] = Summary(stopped.err, "played");
    ASSERT_NE(frames, "") << stopped.err;
    EXPECT_LT(std::stoi(frames), static_cast<int>(SHIPPED_FRAMES));
}

// `delve | head -n 1` once head has gone: the debug lines have nowhere to go,
// and the game plays on to the demo's end as if nothing happened. The reader
// closes before the game writes its first line, so every line meets the
// closed pipe.
TEST_F(DemoBinaryTest, APipeClosedByItsReaderDoesNotStopTheGame)
{
    ASSERT_NE(ReadFile(fs::path(DELVE_DEMOS_DIR) / "descent.out"), "") << "the demo writes debug lines";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    GameRun run = Start(
        {"--timedemo", shipped.string()}, "dummy", [&](pid_t) { close(fds[0]); }, 0, fds);
    EXPECT_TRUE(run.Exited(0)) << run.status << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("timedemo: 286 frames in ", 0), 0u) << run.err;
    const std::string state = ReadFile(fs::path(DELVE_DEMOS_DIR) / "descent.state");
    EXPECT_NE(run.err.find(", state " + state), std::string::npos) << run.err;
    // The rate is the frames over the time, both as printed: within what the
    // rounding of the two printed figures allows.
    unsigned frames = 0;
    double seconds = 0.0, rate = 0.0;
    ASSERT_EQ(
        std::sscanf(run.err.c_str(), "timedemo: %u frames in %lf s, %lf frames per second", &frames, &seconds, &rate),
        3)
        << run.err;
    ASSERT_GE(seconds, 0.01) << run.err;
    const double low = frames / (seconds + 0.0005), high = frames / std::max(seconds - 0.0005, 1e-9);
    EXPECT_GE(rate, low - 0.05) << run.err;
    EXPECT_LE(rate, high + 0.05) << run.err;
}

TEST_F(DemoBinaryTest, ARecordingThatCannotBeWrittenSaysSoAndFails)
{
    const fs::path demo = home / "full.dem";
    GameRun run = Start({"--record", demo.string()}, "dummy", SignalWhenUp(SIGTERM), FrameAt(10));
    EXPECT_TRUE(run.Exited(1)) << run.status << "\n" << run.err;
    const std::string reason = std::strerror(EFBIG);
    EXPECT_EQ(run.err, "delve: cannot write the demo " + demo.string() + ": " + reason + "; recording stops\n" +
                           "delve: the demo " + demo.string() + " is incomplete: " + reason + "\n");
}

TEST_F(DemoBinaryTest, AKilledRecordingHoldsWholeFramesAndStillPlays)
{
    const fs::path demo = home / "killed.dem";
    GameRun recorded = Start({"--record", demo.string()}, "dummy", [&](pid_t pid) {
        // Killed once the first second is on disk, partway through the next.
        const auto deadline = std::chrono::steady_clock::now() + RUN_LIMIT;
        auto firstSecondWritten = [&] {
            std::error_code missing;
            const auto size = fs::file_size(demo, missing);
            return !missing && size >= FrameAt(30);
        };
        while (!firstSecondWritten() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(500ms);
        kill(pid, SIGKILL);
    });
    ASSERT_TRUE(WIFSIGNALED(recorded.status) && WTERMSIG(recorded.status) == SIGKILL) << recorded.err;

    const std::string bytes = ReadFile(demo);
    GameRun played = Timedemo(bytes);
    EXPECT_TRUE(played.Exited(0)) << played.status << "\n" << played.err;
    const std::string warning = "delve: demo ends early at frame ";
    ASSERT_EQ(played.err.rfind(warning, 0), 0u) << played.err;
    const uint32_t frames = static_cast<uint32_t>(std::stoul(played.err.substr(warning.size())));
    EXPECT_GE(frames, 30u);
    EXPECT_EQ(bytes.size(), FrameAt(frames)) << "whole records only";
}

}  // namespace
