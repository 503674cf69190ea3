// What a tile image and a font file may cost, at each limit's edge: exactly
// the limit is read, one past it is refused with one line and the game goes
// on as for any bad file (the white stand-in; no captions).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform_fixture.h"
#include "render/frame.h"

namespace {

namespace fs = std::filesystem;
using Limits = Platform;

std::vector<unsigned char> Png(int w, int h)
{
    const std::vector<unsigned char> rgba(4 * static_cast<size_t>(w) * static_cast<size_t>(h), 200);
    std::vector<unsigned char> png;
    const auto append = [](void* to, void* data, int size) {
        auto* bytes = static_cast<std::vector<unsigned char>*>(to);
        bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    };
    EXPECT_NE(stbi_write_png_to_func(append, &png, w, h, 4, rgba.data(), w * 4), 0);
    return png;
}

void Write(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The image's header says 16-bit RGBA of w x h; its data is no image at all.
std::vector<unsigned char> Header16(uint32_t w, uint32_t h)
{
    std::vector<unsigned char> png = Png(1, 1);
    for (int i = 0; i < 4; ++i) png[16 + i] = static_cast<unsigned char>(w >> (24 - 8 * i));
    for (int i = 0; i < 4; ++i) png[20 + i] = static_cast<unsigned char>(h >> (24 - 8 * i));
    png[24] = 16;
    return png;
}

const char* const WHITE_FALLBACK = "; drawing with a plain white 16x16 texture\n";

TEST_F(Limits, AnImageOfTheLargestSizeLoadsAndOnePixelMoreIsRefusedByItsHeader)
{
    const std::string path = ScratchPath("limit.png");
    const struct {
        int w, h;
        bool loads;
    } cases[] = {{4096, 1, true}, {1, 4096, true}, {4097, 1, false}, {1, 4097, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        Write(path, Png(c.w, c.h));
        const Loaded l = LoadCaught(path);
        if (c.loads) {
            EXPECT_EQ(l.err, "");
            EXPECT_EQ(l.texture.width, c.w);
            EXPECT_EQ(l.texture.height, c.h);
        } else {
            EXPECT_EQ(l.err, "delve: cannot load texture '" + path + "': its header asks for " + std::to_string(c.w) +
                                 "x" + std::to_string(c.h) + " pixels, more than 4096x4096" + WHITE_FALLBACK);
            EXPECT_EQ(l.texture.width, 16);
        }
        UnloadTexture(l.texture);
    }
    // 16-bit pixels take twice the room: 64 MiB of them as stored at most.
    Write(path, Header16(4096, 2048));
    EXPECT_EQ(LoadCaught(path).err.find("its header asks"), std::string::npos) << "exactly 64 MiB passes the header";
    Write(path, Header16(4096, 2049));
    EXPECT_EQ(LoadCaught(path).err, "delve: cannot load texture '" + path +
                                        "': its header asks for 4096x2049 pixels of 16 bits, more than 64 MiB" +
                                        WHITE_FALLBACK);
    fs::remove(path);
}

TEST_F(Limits, AnImageFileOfTheLargestSizeIsReadAndOneByteMoreIsNot)
{
    const std::string path = ScratchPath("limit-file.png");
    std::vector<unsigned char> bytes = Png(2, 2);
    bytes.resize(16u << 20, 0);  // what follows the image's end is not read by the decoder
    Write(path, bytes);
    Loaded l = LoadCaught(path);
    EXPECT_EQ(l.err, "");
    EXPECT_EQ(l.texture.width, 2);
    bytes.push_back(0);
    Write(path, bytes);
    l = LoadCaught(path);
    EXPECT_EQ(l.err, "delve: cannot load texture '" + path + "': the file is larger than the 16 MiB an image may be" +
                         WHITE_FALLBACK);
    fs::remove(path);
}

TEST_F(Limits, AChunkClaimingMoreThanTheLargestImageNeedsIsRefusedAsItIsRead)
{
    const std::string path = ScratchPath("liar.png");
    std::vector<unsigned char> png = Png(16, 16);
    // The first data chunk's length, right after the 8-byte signature and the 25-byte header chunk.
    ASSERT_EQ(std::string(png.begin() + 37, png.begin() + 41), "IDAT");
    png[33] = 0x10;  // 256 MiB and a little
    Write(path, png);
    EXPECT_EQ(LoadCaught(path).err, "delve: cannot load texture '" + path +
                                        "': decoding it would take more memory than a 4096x4096 image" +
                                        WHITE_FALLBACK);
    fs::remove(path);
}

// The font as the game looks for it first, resources/ in the working folder.
std::string DrawnWithFontFile(const std::vector<unsigned char>& font, bool* drawn)
{
    const fs::path folder = ScratchPath("font-limit"), back = fs::current_path();
    fs::create_directories(folder / "resources");
    Write((folder / "resources" / "DejaVuSans.ttf").string(), font);
    fs::current_path(folder);
    CloseWindow();  // the font is looked for once per window, as it opens
    testing::internal::CaptureStderr();
    EXPECT_TRUE(InitWindow(640, 480, "limits test"));
    Frame([] { DrawText("dig deeper!", 50, 50, 30, Color{0, 0, 0, 255}); });
    const std::string err = testing::internal::GetCapturedStderr();
    *drawn = std::count(render::FramePixels(), render::FramePixels() + 640 * 480, 0xFF000000u) > 0;
    fs::current_path(back);
    fs::remove_all(folder);
    return err;
}

TEST_F(Limits, AFontFileOfTheLargestSizeIsUsedAndOneByteMoreIsRefused)
{
    std::ifstream in(render::FindDataFile("resources/DejaVuSans.ttf"), std::ios::binary);
    std::vector<unsigned char> font{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(font.size(), 100000u);
    font.resize(16u << 20, 0);  // the tables say where they end; what follows is not read
    bool drawn = false;
    EXPECT_EQ(DrawnWithFontFile(font, &drawn), "");
    EXPECT_TRUE(drawn);
    font.push_back(0);
    EXPECT_EQ(DrawnWithFontFile(font, &drawn),
              "delve: cannot use the font 'resources/DejaVuSans.ttf': the file is "
              "larger than the 16 MiB a font may be; text will not be drawn\n");
    EXPECT_FALSE(drawn);
}

}  // namespace
