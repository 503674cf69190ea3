// The drawing and the textures of the renderer, on the memory backend;
// pictures are read back from screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform_fixture.h"

namespace {

using PlatformDraw = Platform;

// A white texel times a tint comes out exactly as the tint: each tint of the
// tile table (and one that tells the channels apart) at zoom 16, at zoom 1 and
// at a size that scales the sprite, read back from the presented frame.
TEST_F(PlatformDraw, TintedQuadsComeOutExactInThePresentedFrame)
{
    const Color tints[] = {{0, 0, 0, 255},     {7, 6, 6, 255},       {46, 39, 39, 255},
                           {93, 78, 78, 255},  {115, 96, 96, 255},   {230, 192, 192, 255},
                           {118, 99, 99, 255}, {238, 199, 199, 255}, {1, 254, 128, 255}};
    const int n = static_cast<int>(std::size(tints));
    const Texture2D white = WhiteTexture();
    Frame([&] {
        for (int i = 0; i < n; ++i) {
            Quad(white, 16.0f * i, 0, 16, tints[i]);
            Quad(white, static_cast<float>(i), 100, 1, tints[i]);
            Quad(white, 7.0f * i, 200, 7, tints[i]);
        }
    });
    for (int i = 0; i < n; ++i) {
        const Rgb tint = RgbOf(tints[i]);
        SCOPED_TRACE(testing::Message() << "tint " << testing::PrintToString(tint));
        ExpectScreen({{16 * i, 0, tint}, {16 * i + 15, 15, tint}, {i, 100, tint}, {7 * i + 3, 206, tint}});
    }
    ExpectScreen({{16 * n, 0, BG}, {0, 16, BG}, {n, 100, BG}, {0, 101, BG}, {0, 207, BG}, {639, 479, BG}});

    // Edges through pixel centres: a pixel whose centre is on the left or top
    // edge is the quad's, one whose centre is on the right or bottom edge is not.
    Frame([&] { Quad(white, 300.5f, 300.5f, 3, tints[n - 1]); });
    const Rgb last = RgbOf(tints[n - 1]);
    ExpectScreen({{300, 300, last}, {302, 302, last}, {299, 301, BG}, {301, 299, BG}, {303, 301, BG}, {301, 303, BG}});
}

// Rectangles in whole pixels, clipped without overflow; the game's spinning
// triangle at t = 0.1, filled only counter-clockwise; each over earlier quads.
TEST_F(PlatformDraw, RectanglesAndTrianglesFillTheirPixelsOverEarlierDraws)
{
    const Texture2D white = WhiteTexture();
    const float t = 0.1f;
    const Vector2 a{10 + 10 * std::cos(t), 10 + 10 * std::sin(t)};
    const Vector2 b{10 + 10 * std::cos(t - 1), 10 + 10 * std::sin(t - 1)};
    const Vector2 c{10 + 10 * std::cos(t - 3), 10 + 10 * std::sin(t - 3)};
    Frame([&] {
        Quad(white, 0, 0, 32, Color{255, 0, 0, 255});
        DrawTriangle(a, b, c, WHITE);
        DrawTriangle(Vector2{a.x + 100, a.y}, Vector2{c.x + 100, c.y}, Vector2{b.x + 100, b.y}, WHITE);
        Quad(white, 200, 0, 32, Color{255, 0, 0, 255});
        DrawRectangle(216, 0, 32, 32, Color{0, 255, 0, 255});
        Quad(white, 240, 0, 32, Color{0, 0, 255, 255});
        DrawRectangle(10, 120, 30, 40, Color{130, 130, 130, 255});
        DrawRectangle(600, 470, 1000, 1000, Color{1, 2, 3, 255});  // runs off the bottom-right
        DrawRectangle(100, 100, -20, 10, WHITE);                   // no width: nothing
        DrawRectangle(INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX, WHITE);
        DrawRectangle(INT_MIN, INT_MIN, 5, 5, WHITE);
    });
    const int cx = static_cast<int>((a.x + b.x + c.x) / 3), cy = static_cast<int>((a.y + b.y + c.y) / 3);
    const Rgb grey{130, 130, 130}, white3{255, 255, 255};
    ExpectScreen({{cx, cy, white3},
                  {16, 5, white3},
                  {10, 18, RED},
                  {cx + 100, cy, BG},  // triangles
                  {208, 8, RED},
                  {220, 8, GREEN},
                  {244, 8, BLUE},  // covering
                  {10, 120, grey},
                  {39, 159, grey},
                  {40, 120, BG},
                  {9, 120, BG},
                  {10, 160, BG},
                  {10, 119, BG},
                  {639, 479, {1, 2, 3}},
                  {599, 479, BG},
                  {90, 105, BG}});
    // From far up-left to far down-right: it covers everything.
    Frame([] { DrawRectangle(INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX, Color{4, 5, 6, 255}); });
    ExpectScreen({{0, 0, {4, 5, 6}}, {639, 479, {4, 5, 6}}});
}

// Translucent colours are laid over what is there, per channel
// colour * alpha / 255 + background * (255 - alpha) / 255, each rounded down;
// at alpha 255 the colour replaces it, and just below it does not quite.
TEST_F(PlatformDraw, TranslucentColoursBlendByTheirAlphaUpToTheLastStep)
{
    // Rectangles in the top row, a white texture tinted the same below them,
    // quads of a pixel (zoomed far out) below those.
    const Texture2D white = WhiteTexture();
    const unsigned char alphas[] = {255, 254, 128, 1, 0};
    Frame([&] {
        for (int i = 0; i < 5; ++i) {
            const Color c{200, 100, 0, alphas[i]};
            DrawRectangle(10 * i, 0, 10, 10, c);
            Quad(white, static_cast<float>(10 * i), 20, 10, c);
            Quad(white, static_cast<float>(10 * i + 5), 40, 1, c);
        }
    });
    // 200 * 254 / 255 = 199 and 80 / 255 = 0; 200 * 128 / 255 = 100 and 80 * 127 / 255 = 39;
    // 200 / 255 = 0 and 80 * 254 / 255 = 79.
    const Rgb want[] = {{200, 100, 0}, {199, 99, 0}, {139, 89, 39}, {79, 79, 79}, BG};
    std::vector<Px> pixels;
    for (int i = 0; i < 5; ++i)
        for (int y : {5, 25, 40}) pixels.push_back(Px{10 * i + 5, y, want[i]});
    pixels.push_back(Px{50, 5, BG});
    pixels.push_back(Px{50, 25, BG});
    ExpectScreen(pixels);
}

using PlatformShapes = Platform;

// Every quad and triangle drawn counts once, whatever its texture and
// whatever is drawn between; one the frame would not show is not drawn.
TEST_F(PlatformShapes, EachQuadOrTriangleDrawnCountsOnce)
{
    const Texture2D a = WhiteTexture(), b = WhiteTexture();
    ASSERT_NE(a.id, b.id);
    constexpr int QUADS = 20000;
    EXPECT_EQ(
        Frame([&] {
            for (int i = 0; i < QUADS; ++i)
                Quad(i % 3 ? a : b, static_cast<float>(i % 640), static_cast<float>(i / 640), 1, Color{7, 7, 7, 255});
        }),
        static_cast<uint64_t>(QUADS));
    ExpectScreen(
        {{0, 0, {7, 7, 7}}, {(QUADS - 1) % 640, (QUADS - 1) / 640, {7, 7, 7}}, {QUADS % 640, QUADS / 640, BG}});
    EXPECT_EQ(Frame([&] {
                  Quad(a, 0, 0, 16, WHITE);
                  DrawRectangle(0, 20, 5, 5, WHITE);  // a rectangle is no shape of the count
                  DrawTriangle({0, 30}, {0, 40}, {10, 30}, WHITE);
                  DrawTriangle({0, 30}, {10, 30}, {0, 40}, WHITE);  // facing away
                  DrawTexturePro(a, Rectangle{0, 0, 16, 16}, Rectangle{100, 100, 16, 16}, Vector2{0, 0}, 30.0f, WHITE);
              }),
              3u);
}

TEST_F(PlatformShapes, QuadsOutsideTheWindowOrBrokenAreNotDrawn)
{
    const Texture2D white = WhiteTexture();
    EXPECT_EQ(
        Frame([&] {
            for (float x : {-16.0f, 640.0f, NAN, -1e30f}) Quad(white, x, 0, 16, WHITE);
            for (float y : {-16.0f, 480.0f, NAN, 1e30f}) Quad(white, 0, y, 16, WHITE);
            Quad(white, 0, 0, INFINITY, WHITE);
            Quad(white, -1e30f, -1e30f, 2e30f, WHITE);
            for (float x : {-1e30f, NAN, 700.0f})
                DrawTexturePro(white, Rectangle{0, 0, 16, 16}, Rectangle{x, 0, 16, 16}, Vector2{0, 0}, 45.0f, WHITE);
        }),
        0u);
    // Turned a whole turn, quads whose edge lies on the window's edge from
    // outside are not drawn; a pixel further in, they are.
    const auto turned = [&](float x, float y, float degrees) {
        DrawTexturePro(white, Rectangle{0, 0, 16, 16}, Rectangle{x, y, 16, 16}, Vector2{0, 0}, degrees, WHITE);
    };
    EXPECT_EQ(Frame([&] {
                  turned(640, 100, 360);
                  turned(100, 480, 360);
                  turned(-16, 100, 360);
                  turned(100, -16, -360);
              }),
              0u);
    EXPECT_EQ(Frame([&] {
                  turned(639, 100, 360);
                  turned(100, 479, 360);
                  turned(-15, 100, 360);
                  turned(100, -15, -360);
              }),
              4u);
    // Quads that reach into the window by a single pixel are kept.
    Frame([&] {
        Quad(white, 639, 479, 1, Color{1, 1, 1, 255});
        Quad(white, -15, -15, 16, Color{2, 2, 2, 255});
        Quad(white, 639, -15, 16, Color{3, 3, 3, 255});
        Quad(white, -15, 479, 16, Color{4, 4, 4, 255});
    });
    ExpectScreen({{639, 479, {1, 1, 1}}, {0, 0, {2, 2, 2}}, {639, 0, {3, 3, 3}}, {0, 479, {4, 4, 4}}, {1, 1, BG}});
}

using PlatformTexture = Platform;

TEST_F(PlatformTexture, UnusableFilesGiveOneWarningAndAWhiteStandIn)
{
    const std::string good = ScratchPath("good.png");
    WriteQuartersPng(good);
    std::ifstream in(good, std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(good.c_str());
    ASSERT_GT(png.size(), 60u);
    const std::pair<const char*, std::string> files[] = {
        {"missing.png", ""},
        {"empty.png", ""},
        {"truncated.png", png.substr(0, png.size() / 2)},
        {"words.png", "this is not an image at all, just some words in a file\n"}};
    for (const auto& [name, bytes] : files) {
        const std::string path = ScratchPath(name), prefix = "delve: cannot load texture '" + path + "': ";
        SCOPED_TRACE(path);
        if (std::string_view(name) != "missing.png") std::ofstream(path, std::ios::binary) << bytes;
        const Loaded l = LoadCaught(path);
        std::remove(path.c_str());
        EXPECT_EQ(l.out, "");
        EXPECT_EQ(l.err.rfind(prefix, 0), 0u) << l.err;
        EXPECT_EQ(std::count(l.err.begin(), l.err.end(), '\n'), 1) << l.err;
        EXPECT_GT(l.err.size(), prefix.size() + 1) << "the warning gives a reason";
        EXPECT_TRUE(l.texture.id != 0 && l.texture.width == 16 && l.texture.height == 16);
        Frame([&] { Quad(l.texture, 0, 0, 16, Color{118, 99, 99, 255}); });
        ExpectScreen({{0, 0, {118, 99, 99}}, {15, 15, {118, 99, 99}}, {16, 16, BG}});
    }
}

// Where the quarters land shows the source rectangle, the mirroring of a
// negative source size, the origin, and the rotation (clockwise on screen,
// about the destination's corner) at work.
TEST_F(PlatformTexture, GoodImageLoadsQuietlyAndItsTexelsLandWhereDrawn)
{
    const std::string path = ScratchPath("quarters.png");
    WriteQuartersPng(path);
    const Loaded l = LoadCaught(path);
    std::remove(path.c_str());
    EXPECT_EQ(l.err + l.out, "");
    ASSERT_TRUE(l.texture.width == 16 && l.texture.height == 16);
    auto draw = [&](Rectangle source, Rectangle dest, Vector2 origin, float rotation) {
        DrawTexturePro(l.texture, source, dest, origin, rotation, WHITE);
    };
    Frame([&] {
        draw({8, 0, 8, 8}, {0, 0, 8, 8}, {0, 0}, 0);        // the green quarter alone
        draw({0, 0, -16, 16}, {20, 0, 8, 8}, {0, 0}, 0);    // mirrored left to right
        draw({0, 0, 16, -16}, {40, 0, 8, 8}, {0, 0}, 0);    // mirrored top to bottom
        draw({0, 0, 16, 16}, {70, 10, 8, 8}, {10, 10}, 0);  // moved up-left by its origin
    });
    ExpectScreen({{0, 0, GREEN},
                  {7, 7, GREEN},
                  {8, 8, BG},
                  {22, 2, GREEN},
                  {26, 6, BLUE},
                  {42, 2, BLUE},
                  {46, 6, GREEN},
                  {61, 1, RED},
                  {67, 7, YELLOW},
                  {70, 10, BG}});
    // A quarter turn hangs the picture down-left of its corner.
    Frame([&] { draw({0, 0, 16, 16}, {400, 100, 20, 10}, {0, 0}, 90); });
    ExpectScreen(
        {{398, 102, RED}, {398, 118, GREEN}, {391, 102, BLUE}, {391, 118, YELLOW}, {405, 105, BG}, {395, 95, BG}});
}

}  // namespace

namespace {

// Writes a w x h PNG in four quarters: red, green above blue, yellow.
void WriteQuarters(const std::string& path, int w, int h)
{
    const Rgb quarters[] = {RED, GREEN, BLUE, YELLOW};
    std::vector<unsigned char> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c : quarters[(2 * x / w) + 2 * (2 * y / h)]) rgb.push_back(static_cast<unsigned char>(c));
    std::vector<unsigned char> png;
    const auto append = [](void* to, void* data, int size) {
        auto* bytes = static_cast<std::vector<unsigned char>*>(to);
        bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    };
    ASSERT_NE(stbi_write_png_to_func(append, &png, w, h, 3, rgb.data(), w * 3), 0);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

// A texture of up to 32x32 texels keeps tinted copies of itself, a larger one
// does not: on both sides of that size an opaque tint gives each texel times
// the tint over 255, drawn texel for pixel and at twice the size.
TEST_F(PlatformTexture, OpaqueTintsAreTheSameOnTexturesWithAndWithoutTintedCopies)
{
    const Color tint{255, 128, 0, 255};
    // red * tint = (255, 0, 0), green: (0, 128, 0), blue: (0, 0, 0), yellow: (255, 128, 0)
    const Rgb red{255, 0, 0}, green{0, 128, 0}, blue{0, 0, 0}, yellow{255, 128, 0};
    for (const auto& size : {std::pair{32, 32}, std::pair{32, 34}}) {
        const int w = size.first, h = size.second;  // named, for the lambda below to take
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const std::string path = ScratchPath("big.png");
        WriteQuarters(path, w, h);
        const Loaded l = LoadCaught(path);
        std::remove(path.c_str());
        ASSERT_TRUE(l.texture.width == w && l.texture.height == h) << l.err;
        const auto draw = [&](float x, float scale) {
            DrawTexturePro(l.texture, Rectangle{0, 0, static_cast<float>(w), static_cast<float>(h)},
                           Rectangle{x, 0, w * scale, h * scale}, Vector2{0, 0}, 0.0f, tint);
        };
        Frame([&] {
            draw(0, 1);
            draw(100, 2);
        });
        const int hw = w / 2, hh = h / 2;
        ExpectScreen({{0, 0, red},
                      {hw - 1, hh - 1, red},
                      {hw, 0, green},
                      {w - 1, hh - 1, green},
                      {0, hh, blue},
                      {w - 1, h - 1, yellow},
                      {w, 0, BG},
                      {0, h, BG},
                      {100, 0, red},
                      {100 + 2 * hw, 0, green},
                      {100 + 2 * w - 1, 2 * h - 1, yellow},
                      {100 + 2 * w, 0, BG}});
        UnloadTexture(l.texture);
    }
}

}  // namespace
