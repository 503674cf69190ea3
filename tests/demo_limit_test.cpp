// The demo file's size limit, at its edge: a file of exactly MAX_DEMO_BYTES is
// read through and played; one byte more is refused before any of it is read,
// with the limit in the message.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

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

}  // namespace
