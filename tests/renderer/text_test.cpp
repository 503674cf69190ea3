// Text in the font the game ships: where a caption's pixels land, that it
// comes out the same every time, and what a missing or broken font does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform_fixture.h"
#include "render/frame.h"
#include "support/render_probe.h"

namespace {

namespace fs = std::filesystem;
using Text = Platform;

constexpr Color INK{0, 0, 0, 255};

// The frame after one caption over the background.
std::vector<uint32_t> FrameWithText(const char* text, int x, int y, int size, Color color = INK)
{
    Frame([&] { DrawText(text, x, y, size, color); });
    return std::vector<uint32_t>(render::FramePixels(), render::FramePixels() + 640 * 480);
}

// The box holding every pixel that differs from the background: left, top, right, bottom (inclusive).
std::array<int, 4> InkedBox(const std::vector<uint32_t>& frame)
{
    std::array<int, 4> box{INT_MAX, INT_MAX, -1, -1};
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (frame[static_cast<size_t>(y) * 640 + static_cast<size_t>(x)] != 0xFF505050u)
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
    return box;
}

// The game's caption: its letters fall right of and below the point given,
// within a line of the size asked for, solid ink at their cores, and the same
// pixels every time it is drawn.
TEST_F(Text, TheCaptionLandsInItsLineInSolidInkAndTheSameEveryTime)
{
    const std::vector<uint32_t> frame = FrameWithText("dig deeper!", 50, 50, 30);
    const auto [left, top, right, bottom] = InkedBox(frame);
    EXPECT_GE(left, 50);
    EXPECT_GE(top, 50);
    EXPECT_LT(bottom, 50 + 36) << "within the line's ascent and descent";
    EXPECT_GT(right - left, 100) << "eleven letters side by side";
    EXPECT_LT(right - left, 200);
    EXPECT_GT(std::count(frame.begin(), frame.end(), 0xFF000000u), 300) << "solid black at the letters' cores";
    EXPECT_TRUE(FrameWithText("dig deeper!", 50, 50, 30) == frame) << "the same pixels when drawn again";
    // Another colour tints the same coverage; another place moves it whole.
    const std::vector<uint32_t> red = FrameWithText("dig deeper!", 50, 50, 30, Color{255, 0, 0, 255});
    EXPECT_GT(std::count(red.begin(), red.end(), 0xFFFF0000u), 300);
    const std::vector<uint32_t> moved = FrameWithText("dig deeper!", 53, 57, 30);
    for (int y = 50; y < 90; ++y)
        for (int x = 50; x < 260; ++x)
            ASSERT_EQ(frame[static_cast<size_t>(y) * 640 + static_cast<size_t>(x)],
                      moved[static_cast<size_t>(y + 7) * 640 + static_cast<size_t>(x + 3)])
                << x << ", " << y;
}

// Text partly or wholly off the frame, at absurd places and sizes, with
// broken UTF-8 and very long: drawn where it falls inside, nowhere else.
TEST_F(Text, CaptionsOffTheFrameOrOddAreClippedAndNeverReadOrWriteOutside)
{
    const std::vector<uint32_t> clipped = FrameWithText("dig deeper!", -40, -10, 30);
    const auto box = InkedBox(clipped);
    EXPECT_EQ(box[0], 0);
    EXPECT_EQ(box[1], 0);
    for (const auto& [x, y] : {std::pair{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {640, 0}, {0, 480}, {-5000, 10}})
        EXPECT_EQ(InkedBox(FrameWithText("dig deeper!", x, y, 30))[2], -1) << x << ", " << y;
    const std::string odd[] = {"\xff\xfe broken \xc3", "\xe2\x82", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
                               std::string(5000, 'W')};
    for (const std::string& text : odd) {
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_GE(InkedBox(FrameWithText(text.c_str(), 0, 0, 20))[2], 0) << "something drawn";
    }
    for (int size : {INT_MIN, 0, 3, 600, INT_MAX})
        EXPECT_GE(InkedBox(FrameWithText("Ag", 0, 0, size))[2], 0) << "size " << size;
    Frame([] {
        DrawText(nullptr, 0, 0, 30, INK);
        DrawText("", 0, 0, 30, INK);
    });
}

// Runs the renderer from a scratch folder whose resources/ holds `font` as
// the font (none when null); returns what it said on standard error as the
// window opened and while drawing, and whether a caption was drawn.
struct FontRun {
    std::string opening, drawing;
    bool drawn;
};
FontRun DrawnWithFont(const std::string* font)
{
    const fs::path folder = ScratchPath("font"), back = fs::current_path();
    fs::create_directories(folder / "resources");
    if (font) std::ofstream(folder / "resources" / "DejaVuSans.ttf", std::ios::binary) << *font;
    fs::current_path(folder);
    CloseWindow();  // the font is looked for once per window, as it opens
    testing::internal::CaptureStderr();
    EXPECT_TRUE(InitWindow(640, 480, "text test"));
    const std::string opening = testing::internal::GetCapturedStderr();
    // The font is read as the window opens: a frame with text reads no file.
    fs::remove_all(folder / "resources");
    testing::internal::CaptureStderr();
    std::vector<uint32_t> frame;
    for (int i = 0; i < 3; ++i) frame = FrameWithText("dig deeper!", 50, 50, 30);
    const std::string drawing = testing::internal::GetCapturedStderr();
    fs::current_path(back);
    fs::remove_all(folder);
    return {opening, drawing, InkedBox(frame)[2] >= 0};
}

// A font that is missing is still found beside the program; one that is cut
// off, foreign or lies about its tables is one warning, and no caption.
// Characters of two, three and four bytes are one letter each: "é" takes the
// room of "e" (the font gives them one advance), "€" and "😀" one letter's
// room, not two or three broken ones.
TEST_F(Text, EachCharacterIsOneLetterWhateverItsLengthInBytes)
{
    const auto width = [](const char* text) {
        const auto box = InkedBox(FrameWithText(text, 10, 10, 30));
        return box[2] - box[0];
    };
    const int plain = width("eeee");
    ASSERT_GT(plain, 40);
    EXPECT_NEAR(width("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"), plain, 2) << "e with an acute accent";
    const int euro = width("e\xe2\x82\xac"), emoji = width("e\xf0\x9f\x98\x80");
    EXPECT_LT(euro, plain);
    EXPECT_LT(emoji, plain);
    // Broken sequences are one replacement character for each byte.
    EXPECT_GT(width("e\xe2\x82"), euro);
    // A byte that only continues a character, found alone, is that sign too
    // (its low bits are a digit's code: "1" here).
    EXPECT_TRUE(FrameWithText("e\xb1", 10, 10, 30) == FrameWithText("e\xef\xbf\xbd", 10, 10, 30));
    EXPECT_TRUE(FrameWithText("\xb1", 10, 10, 30) != FrameWithText("1", 10, 10, 30));
}

// A caption drawn after a row of small tiles lies over them, as drawn in that
// order: the tiles held back to be drawn as a row go first.
TEST_F(Text, ACaptionDrawnAfterARowOfTilesLiesOverThem)
{
    const Texture2D white = WhiteTexture();
    const auto tilesThenText = [&] {
        for (int x = 0; x < 200; x += 8)
            DrawTexturePro(white, Rectangle{0, 0, 8, 8}, Rectangle{static_cast<float>(x), 10, 8, 8}, Vector2{0, 0},
                           0.0f, WHITE);
        DrawText("dig", 10, 0, 30, INK);
    };
    Frame(tilesThenText);
    const std::vector<uint32_t> frame(render::FramePixels(), render::FramePixels() + 640 * 480);
    int inked = 0;
    for (int y = 10; y < 18; ++y)
        for (int x = 0; x < 200; ++x)
            inked += frame[static_cast<size_t>(y) * 640 + static_cast<size_t>(x)] == 0xFF000000u;
    EXPECT_GT(inked, 10) << "the caption's ink over the tiles";
    UnloadTexture(white);
}

// A two-byte character is one letter, its own: an accented e is the e with
// the accent over it, not some other mark (nor the sign for a broken byte).
TEST_F(Text, AnAccentedLetterIsItsLetterWithTheAccentAbove)
{
    const auto e = InkedBox(FrameWithText("e", 10, 10, 30));
    const auto acute = InkedBox(FrameWithText("\xc3\xa9", 10, 10, 30));
    ASSERT_GE(e[2], e[0]) << "the e leaves ink";
    EXPECT_NEAR(acute[0], e[0], 1);
    EXPECT_NEAR(acute[2], e[2], 1);
    EXPECT_EQ(acute[3], e[3]) << "sitting on the same line";
    EXPECT_LT(acute[1], e[1] - 3) << "the accent above the letter";
    EXPECT_TRUE(FrameWithText("\xc3\xa9", 10, 10, 30) != FrameWithText("\xef\xbf\xbd", 10, 10, 30));
}

TEST_F(Text, ABrokenFontIsOneWarningAndNoCaption)
{
    std::ifstream in(render::FindDataFile("resources/DejaVuSans.ttf"), std::ios::binary);
    const std::string good{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(good.size(), 100000u) << "the shipped font is found beside the tests";
    std::string lying = good;
    lying[12 + 8] = '\x7f';  // the first table said to start far past the end
    std::string shortIndex = good;
    for (size_t i = 0; i + 16 <= 12 + 16 * 20 && i < good.size(); i += 16)
        if (good.compare(12 + i, 4, "loca") == 0) shortIndex.replace(12 + i + 12, 4, std::string("\0\0\0\x04", 4));
    // The glyph index's first entry pointing far past the glyphs.
    std::string pastGlyphs = good;
    for (size_t i = 0; i + 16 <= 12 + 16 * 20 && i < good.size(); i += 16)
        if (good.compare(12 + i, 4, "loca") == 0) {
            const size_t at = (size_t{static_cast<unsigned char>(good[12 + i + 8])} << 24) |
                              (size_t{static_cast<unsigned char>(good[12 + i + 9])} << 16) |
                              (size_t{static_cast<unsigned char>(good[12 + i + 10])} << 8) |
                              size_t{static_cast<unsigned char>(good[12 + i + 11])};
            pastGlyphs.replace(at, 4, std::string("\x7f\xff\xff\xff", 4));
        }
    const std::string fonts[] = {"",         good.substr(0, good.size() / 2), good.substr(0, 40), lying, shortIndex,
                                 pastGlyphs, "no font here, just words\n"};
    for (const std::string& font : fonts) {
        SCOPED_TRACE(font.size());
        const auto [err, drawing, drawn] = DrawnWithFont(&font);
        EXPECT_EQ(drawing, "") << "said once, as the window opened";
        EXPECT_FALSE(drawn) << "no caption without a usable font";
        const std::string start = "delve: cannot use the font 'resources/DejaVuSans.ttf': ";
        EXPECT_EQ(err.rfind(start, 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("text will not be drawn"), std::string::npos) << err;
    }
    const auto [err, drawing, drawn] = DrawnWithFont(nullptr);
    EXPECT_EQ(err + drawing, "");
    EXPECT_TRUE(drawn) << "beside the program, the shipped font is found";
}

}  // namespace
