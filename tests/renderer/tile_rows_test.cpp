// Rows of small quads (the zoomed-out view's path: DrawTexturePro holds small
// quads back and draws them as a row) give the very pixels of the same quads
// drawn one by one, on the fast way and on the plain way: at many sizes and offsets, in frames of
// several sizes, from textures with and without tinted copies, over rows
// that repeat their lefts and rows that do not, with broken quads among them.
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform_fixture.h"
#include "render/canvas.h"
#include "render/frame.h"
#include "support/render_probe.h"

namespace {

// A small pseudo-random sequence, the same on every run.
struct Random {
    uint32_t seed;
    uint32_t Next(uint32_t n)
    {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    }
    uint8_t Byte() { return static_cast<uint8_t>(Next(256)); }
};

// A texture of w x h texels of random colours, opaque unless `translucent`.
Texture2D RandomTexture(int w, int h, bool translucent, Random* random)
{
    std::vector<unsigned char> rgba;
    for (int i = 0; i < w * h; ++i) {
        for (int c = 0; c < 3; ++c) rgba.push_back(random->Byte());
        rgba.push_back(translucent && random->Next(3) == 0 ? random->Byte() : 255);
    }
    std::vector<unsigned char> png;
    const auto append = [](void* to, void* data, int size) {
        auto* bytes = static_cast<std::vector<unsigned char>*>(to);
        bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    };
    EXPECT_NE(stbi_write_png_to_func(append, &png, w, h, 4, rgba.data(), w * 4), 0);
    const std::string path = ScratchPath("rows.png");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    const Texture2D t = LoadTexture(path.c_str());
    std::remove(path.c_str());
    return t;
}

// One row: its quads' lefts and tints, where they stand and what they show.
struct Row {
    Rectangle source;
    std::vector<float> lefts;
    std::vector<Color> tints;
    float top, width, height;
};

// How a frame's rows are drawn.
enum class Way { Rows, QuadsFast, QuadsPlain };

// The frame's pixels and the shapes counted once `rows` are drawn one way.
std::vector<uint32_t> Draw(Way way, Texture2D texture, const std::vector<Row>& rows, uint64_t* shapes)
{
    SetDirectFill(way != Way::QuadsPlain);
    BeginDrawing();
    ClearBackground(BACKGROUND);
    const uint64_t before = GetDrawnShapeCount();
    for (const Row& r : rows) {
        if (way == Way::Rows) {
            render::DrawQuadRow(texture, r.source, r.lefts.data(), r.top, r.width, r.height, r.tints.data(),
                                static_cast<int>(r.lefts.size()));
            continue;
        }
        for (size_t i = 0; i < r.lefts.size(); ++i)
            DrawTexturePro(texture, r.source, Rectangle{r.lefts[i], r.top, r.width, r.height}, Vector2{0, 0}, 0.0f,
                           r.tints[i]);
    }
    *shapes = GetDrawnShapeCount() - before;
    const uint32_t* frame = render::FramePixels();  // the quads held back drawn too
    std::vector<uint32_t> pixels(frame, frame + static_cast<size_t>(render::R.width) * render::R.height);
    EndDrawing();
    SetDirectFill(true);
    return pixels;
}

void ExpectSameEveryWay(Texture2D texture, const std::vector<Row>& rows)
{
    uint64_t rowShapes = 0, fastShapes = 0, plainShapes = 0;
    const std::vector<uint32_t> byRows = Draw(Way::Rows, texture, rows, &rowShapes);
    const std::vector<uint32_t> fast = Draw(Way::QuadsFast, texture, rows, &fastShapes);
    const std::vector<uint32_t> plain = Draw(Way::QuadsPlain, texture, rows, &plainShapes);
    size_t differ = 0, first = 0;
    for (size_t i = 0; i < byRows.size(); ++i)
        if (byRows[i] != fast[i] && differ++ == 0) first = i;
    EXPECT_EQ(differ, 0u) << "pixels differ from the quads one by one, the first at (" << first % render::R.width
                          << ", " << first / render::R.width << ")";
    EXPECT_TRUE(fast == plain) << "the quads one by one, fast and plain";
    EXPECT_EQ(rowShapes, fastShapes);
    EXPECT_GT(rowShapes, 0u) << "something was drawn";
}

// Rows as the game lays them out at a zoom, from the column `first` on, seen
// from a camera at that column's left edge plus `dx` pixels (the float
// rounding of the lefts grows with their distance from the world's edge), and
// scrolled `dy` down: one per tile row down the frame and a little beyond it,
// with runs of equal tints as dark rock has, and some translucent tints.
std::vector<Row> GameRows(float side, int64_t first, float dx, float dy, Rectangle source, Random* random)
{
    std::vector<Row> rows;
    const int across = std::min(256, static_cast<int>(render::R.width / side) + 3);
    const float camera = static_cast<float>(static_cast<int64_t>(side) * first) + dx;
    const float start = -dy - side * std::ceil(std::fabs(dy) / side + 1.0f);  // above the frame, whichever way dy goes
    for (float top = start; top < static_cast<float>(render::R.height) + side; top += side) {
        Row r{source, {}, {}, top, side, side};
        Color tint{0, 0, 0, 255};
        for (int k = -4; k < across; ++k) {
            r.lefts.push_back(static_cast<float>(static_cast<int64_t>(side) * (first + k)) - camera);
            if (random->Next(4) == 0) tint = Color{random->Byte(), random->Byte(), random->Byte(), 255};
            if (random->Next(40) == 0) tint.a = random->Byte();
            r.tints.push_back(tint);
        }
        rows.push_back(r);
    }
    return rows;
}

// A row of quads anywhere: overlapping, out of order, off the frame, broken.
Row WildRow(float top, float width, float height, Rectangle source, Random* random)
{
    Row r{source, {}, {}, top, width, height};
    const float w = static_cast<float>(render::R.width);
    const float specials[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, -20.0f, w + 10.0f, -0.5f, 0.49f, w - 0.5f, w};
    for (float s : specials) r.lefts.push_back(s);
    for (int i = 0; i < 60; ++i)
        r.lefts.push_back(static_cast<float>(random->Next(10 * render::R.width)) / 9.7f - 3.0f);
    for (size_t i = 0; i < r.lefts.size(); ++i)
        r.tints.push_back(
            Color{random->Byte(), random->Byte(), random->Byte(), random->Next(8) ? uint8_t{255} : uint8_t{99}});
    return r;
}

struct TileRowsTest : testing::TestWithParam<std::pair<int, int>> {
    Random random{29};
    void SetUp() override
    {
        SetTargetFPS(0);
        ASSERT_TRUE(InitWindow(GetParam().first, GetParam().second, "tile rows test"));
    }
    void TearDown() override { CloseWindow(); }
};

// The game's rows at every small zoom and many camera offsets, from a
// texture with tinted copies, one too large for them, and a translucent one.
TEST_P(TileRowsTest, TheGamesRowsAtSmallZoomsComeOutAsQuadByQuad)
{
    const struct {
        int w, h;
        bool translucent;
    } textures[] = {{16, 16, false}, {40, 40, false}, {3, 5, false}, {16, 16, true}};
    for (const auto& kind : textures) {
        const Texture2D texture = RandomTexture(kind.w, kind.h, kind.translucent, &random);
        ASSERT_NE(texture.id, 0u);
        const Rectangle source{0, 0, static_cast<float>(kind.w), static_cast<float>(kind.h)};
        for (int zoom : {1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 23, 48}) {
            for (int64_t first : {0, 123457}) {
                for (float dx : {0.0f, 0.37f, 0.5f, -3.25f, 2.62f}) {
                    SCOPED_TRACE(testing::Message()
                                 << kind.w << "x" << kind.h << (kind.translucent ? " translucent" : "") << ", zoom "
                                 << zoom << ", from column " << first << ", dx " << dx);
                    const float dy = dx * 0.61f - static_cast<float>(zoom) * 0.5f;
                    ExpectSameEveryWay(texture, GameRows(static_cast<float>(zoom), first, dx, dy, source, &random));
                }
            }
        }
        UnloadTexture(texture);
    }
}

// Rows of quads of fractional and unequal sizes, mirrored and partial
// sources, tops on and off the frame, and lefts anywhere.
TEST_P(TileRowsTest, WildRowsComeOutAsQuadByQuad)
{
    const Texture2D texture = RandomTexture(16, 16, false, &random);
    const Rectangle sources[] = {{0, 0, 16, 16}, {4, 2, 3, 9}, {0, 0, -16, 16}, {0, 0, 16, -16}, {-8, 0, 16, 16}};
    const float h = static_cast<float>(render::R.height);
    for (const Rectangle& source : sources) {
        for (float width : {1.0f, 0.4f, 1.5f, 2.25f, 3.0f, 7.9f, 8.5f, 16.0f, 63.5f, 64.0f, 70.0f}) {
            SCOPED_TRACE(testing::Message() << "source " << source.x << "," << source.y << " " << source.width << "x"
                                            << source.height << ", width " << width);
            std::vector<Row> rows;
            for (float top : {-3.7f, -0.5f, 0.0f, 0.25f, 17.5f, h - 2.3f, h - 0.5f, h, h + 5.0f})
                for (float height : {width, 1.0f, 2.5f, 6.0f, 64.0f, 65.0f})
                    rows.push_back(WildRow(top, width, height, source, &random));
            rows.push_back(WildRow(NAN, width, width, source, &random));
            rows.push_back(WildRow(-1e30f, width, 1e30f, source, &random));
            rows.push_back(WildRow(10.0f, -width, width, source, &random));
            ExpectSameEveryWay(texture, rows);
        }
    }
    UnloadTexture(texture);
}

// Rows where every quad is a single pixel without being a whole one: sizes
// just under and over a pixel, lefts off the pixel grid and off the frame,
// translucent tints among them, and the rows at the frame's top and bottom.
TEST_P(TileRowsTest, RowsOfSinglePixelsComeOutAsQuadByQuad)
{
    const Texture2D texture = RandomTexture(16, 16, false, &random);
    const float w = static_cast<float>(render::R.width), h = static_cast<float>(render::R.height);
    for (const Vector2 size :
         {Vector2{1.0f, 1.0f}, Vector2{0.6f, 1.0f}, Vector2{1.0f, 0.7f}, Vector2{1.4f, 0.8f}, Vector2{0.9f, 1.45f}}) {
        SCOPED_TRACE(testing::Message() << "quads of " << size.x << "x" << size.y);
        std::vector<Row> rows;
        for (float top : {-0.5f, 0.0f, 3.3f, 7.0f, h - 1.2f, h - 0.6f}) {
            Row r{Rectangle{0, 0, 16, 16}, {}, {}, top, size.x, size.y};
            for (float left = -3.0f; left < w + 3.0f; left += size.x + static_cast<float>(random.Next(3)) * 0.3f) {
                r.lefts.push_back(left);
                r.tints.push_back(Color{random.Byte(), random.Byte(), 40, random.Next(6) ? uint8_t{255} : uint8_t{77}});
            }
            rows.push_back(r);
        }
        ExpectSameEveryWay(texture, rows);
    }
    UnloadTexture(texture);
}

// Runs of quads alike (same size, same texels, same tint) that overlap
// their neighbours, touch them or leave gaps, in any mix: each quad of a run
// is drawn from the one just before it, which must be the one drawn last.
TEST_P(TileRowsTest, RunsOfLikeQuadsComeOutAsQuadByQuadWhereverTheyOverlap)
{
    const Texture2D texture = RandomTexture(16, 16, false, &random);
    for (float width : {3.0f, 5.0f, 15.0f, 16.0f, 23.0f, 40.0f}) {
        SCOPED_TRACE(testing::Message() << "quads of " << width);
        const float steps[] = {width - 2.0f, width, width + 3.0f, std::floor(width * 0.5f)};
        std::vector<Row> rows;
        for (float top : {-4.0f, 0.3f, 9.0f, 21.0f}) {
            Row r{Rectangle{0, 0, 16, 16}, {}, {}, top, width, width};
            Color tint{90, 200, 40, 255};
            for (float left = -width + 0.4f; left < static_cast<float>(render::R.width);
                 left += steps[random.Next(4)]) {
                if (random.Next(6) == 0) tint = Color{random.Byte(), random.Byte(), random.Byte(), 255};
                r.lefts.push_back(left);
                r.tints.push_back(tint);
            }
            rows.push_back(r);
        }
        ExpectSameEveryWay(texture, rows);
    }
    UnloadTexture(texture);
}

// The game's tiles zoomed out, opaque, go along rows and none to the general
// fill one by one (the pixels would be the same, only far slower); a
// translucent one among them is handed over alone.
TEST_P(TileRowsTest, OpaqueSmallTilesAreDrawnAsRowsNotOneByOne)
{
    const Texture2D texture = RandomTexture(16, 16, false, &random);
    for (int zoom : {1, 2, 4, 16}) {
        SCOPED_TRACE(testing::Message() << "zoom " << zoom);
        std::vector<Row> rows = GameRows(static_cast<float>(zoom), 0, 0.37f, 0.0f, Rectangle{0, 0, 16, 16}, &random);
        for (Row& r : rows)
            for (Color& c : r.tints) c.a = 255;
        uint64_t shapes = 0;
        const uint64_t before = GetQuadsDrawnAlone();
        Draw(Way::QuadsFast, texture, rows, &shapes);
        EXPECT_GT(shapes, 0u);
        EXPECT_EQ(GetQuadsDrawnAlone(), before);
        // One translucent tile over the frame's first pixel.
        Row& visible = *std::find_if(rows.begin(), rows.end(),
                                     [](const Row& r) { return r.top <= 0.5f && r.top + r.height > 0.5f; });
        const size_t onFrame =
            static_cast<size_t>(std::find_if(visible.lefts.begin(), visible.lefts.end(),
                                             [&](float left) { return left <= 0.5f && left + visible.width > 0.5f; }) -
                                visible.lefts.begin());
        ASSERT_LT(onFrame, visible.lefts.size());
        visible.tints[onFrame].a = 128;
        Draw(Way::QuadsFast, texture, rows, &shapes);
        EXPECT_EQ(GetQuadsDrawnAlone(), before + 1);
    }
    UnloadTexture(texture);
}

// A quad unlike the row held back in one thing only (its texture, any side
// of its source, its top, width or height) is not drawn as one of that row:
// the frame is the quads' drawn one by one.
TEST_P(TileRowsTest, AQuadUnlikeTheRowHeldBackInAnyOneThingIsNotDrawnAsOneOfIt)
{
    const Texture2D a = RandomTexture(16, 16, false, &random), b = RandomTexture(16, 16, false, &random);
    struct Quad {
        Texture2D texture;
        Rectangle source;
        float top, width, height;
    };
    const Quad like{a, Rectangle{0, 0, 16, 16}, 0.0f, 5.0f, 5.0f};
    std::vector<Quad> unlike(8, like);
    unlike[0].texture = b;
    unlike[1].source.x = 3.0f;
    unlike[2].source.y = 5.0f;
    unlike[3].source.width = 9.0f;
    unlike[4].source.height = 7.0f;
    unlike[5].top = 1.5f;
    unlike[6].width = 4.0f;
    unlike[7].height = 4.0f;
    const auto frame = [&](bool fast) {
        SetDirectFill(fast);
        BeginDrawing();
        ClearBackground(BACKGROUND);
        // A band of the frame each: two quads alike, then the one unlike them.
        for (size_t k = 0; k < unlike.size(); ++k) {
            const float band = 7.0f * static_cast<float>(k);
            float left = 0.5f;
            for (const Quad* q : {&like, &like, static_cast<const Quad*>(&unlike[k])}) {
                DrawTexturePro(q->texture, q->source, Rectangle{left, band + q->top, q->width, q->height},
                               Vector2{0, 0}, 0.0f, Color{200, 180, 160, 255});
                left += 6.0f;
            }
        }
        const uint32_t* f = render::FramePixels();
        std::vector<uint32_t> pixels(f, f + static_cast<size_t>(render::R.width) * render::R.height);
        EndDrawing();
        SetDirectFill(true);
        return pixels;
    };
    EXPECT_TRUE(frame(true) == frame(false));
    UnloadTexture(a);
    UnloadTexture(b);
}

INSTANTIATE_TEST_SUITE_P(FrameSizes, TileRowsTest,
                         testing::Values(std::pair{640, 480}, std::pair{97, 61}, std::pair{800, 200}, std::pair{1, 1}));

}  // namespace
