// FileExists: a regular file, and nothing else, whatever else has the name.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "renderer/platform_fixture.h"

namespace {

TEST(FileExists, OnlyARegularFileExists)
{
    const std::string file = ScratchPath("exists.txt");
    std::ofstream(file) << "here";
    EXPECT_TRUE(FileExists(file.c_str()));
    std::remove(file.c_str());
    EXPECT_FALSE(FileExists(file.c_str())) << "gone";
    EXPECT_FALSE(FileExists(testing::TempDir().c_str())) << "a folder";
    EXPECT_FALSE(FileExists(nullptr));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace
