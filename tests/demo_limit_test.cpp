// The demo file's size limit, at its edge: a file of exactly MAX_DEMO_BYTES is
// read through and played; one byte more is refused before any of it is read,
// with the limit in the message. And a file that changes between that check
// and play: what play finds broken still stops it as broken.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "headless_game.h"
#include "shell/demo.h"
#include "shell/demo_file.h"
#include "shell/options.h"

namespace {

// A demo of whole records (a digest after every 30th frame) up to `size`
// bytes, cut there: the check before play passes every digest without a game,
// and a file cut within a record ends early, which still plays.
std::vector<unsigned char> DemoOfSize(size_t size)
{
    std::vector<unsigned char> bytes(HEADER_BYTES);
    EncodeHeader(bytes.data());
    unsigned char frame[1 + FRAME_BYTES], digest[1 + DIGEST_BYTES];
    InputFrame input{};
    input.keysDown = 1;  // walking left, held
    EncodeFrameRecord(input, frame);
    for (uint32_t frames = 1; bytes.size() < size; frames++) {
        bytes.insert(bytes.end(), frame, frame + sizeof frame);
        if (frames % DEMO_DIGEST_INTERVAL != 0) continue;
        EncodeDigestRecord(DIGEST_TAG, frames, 0, digest);
        bytes.insert(bytes.end(), digest, digest + sizeof digest);
    }
    bytes.resize(size);
    return bytes;
}

TEST(DemoLimitTest, AFileOfTheLargestSizeIsCheckedAndOneByteMoreIsRefusedUnread)
{
    const std::string path = testing::TempDir() + "delve_demo_limit_" + std::to_string(getpid()) + ".dem";
    std::vector<unsigned char> bytes = DemoOfSize(static_cast<size_t>(MAX_DEMO_BYTES));
    for (const bool over : {false, true}) {
        SCOPED_TRACE(over ? "one byte over" : "exactly the limit");
        if (over) bytes.push_back(FRAME_TAG);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        ASSERT_EQ(std::fclose(f), 0);

        Options options;
        options.timedemo = path;
        Demo demo;
        std::string error;
        const bool opened = OpenDemo(&demo, options, &error);
        EXPECT_EQ(opened, !over) << error;
        if (over) {
            EXPECT_EQ(error, "cannot play " + path + ": the file is larger than the 32 MiB a demo may be");
            EXPECT_EQ(demo.mode, DemoMode::None);
        } else {
            EXPECT_EQ(demo.mode, DemoMode::Timedemo);
            AbandonDemo(&demo);
        }
    }
    std::remove(path.c_str());
}

using DemoChangedTest = HeadlessGame;

// The check before play read a good file; a record made unreadable before
// play reaches it stops play there, with the reason and the exit status of a
// broken demo, however many frames played before.
TEST_F(DemoChangedTest, ARecordBrokenAfterTheCheckStopsPlayThereWithStatusTwo)
{
    const std::string path = testing::TempDir() + "delve_demo_changed_" + std::to_string(getpid()) + ".dem";
    constexpr uint32_t GOOD_FRAMES = 12;  // before the first digest is due
    std::vector<unsigned char> bytes = DemoOfSize(HEADER_BYTES + 20 * (1 + FRAME_BYTES));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Options options;
    options.timedemo = path;
    Demo demo;
    std::string error;
    ASSERT_TRUE(OpenDemo(&demo, options, &error)) << error;
    // Changed in place, as another program writing the file would.
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(HEADER_BYTES + GOOD_FRAMES * (1 + FRAME_BYTES)));
    file.put('X');
    file.close();

    BeginDemo(&demo);
    testing::internal::CaptureStdout();
    uint32_t played = 0;
    while (DemoBeforeFrame(&demo, &game, &loop)) {
        RunFrame(&game, &loop);
        DemoAfterFrame(&demo, &game, &loop);
        played++;
    }
    testing::internal::GetCapturedStdout();
    testing::internal::CaptureStderr();
    const int status = FinishDemo(&demo, &game, &loop);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(played, GOOD_FRAMES);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(err, "delve: cannot play " + path + ": unknown record 0x58 after frame 12\n");
    std::remove(path.c_str());
}

}  // namespace
