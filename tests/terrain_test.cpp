// The terrain must come out the same, to the bit, for the same depth: these
// tests pin the hash, the noise and whole chunks to known values, and hold the
// fast generator to the tile-by-tile one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <vector>

#include "world/terrain.h"
#include "world/world.h"

namespace {

constexpr int SEED = 125;

std::unique_ptr<Chunk> ChunkAt(int32_t depth)
{
    auto c = std::make_unique<Chunk>();
    c->replacementdepth = depth;
    return c;
}

int SolidTiles(const Chunk& c)
{
    int n = 0;
    for (const auto& column : c.wd) {
        for (const Tile& t : column) n += t.v;
    }
    return n;
}

double SolidShare(int32_t depth)
{
    auto c = ChunkAt(depth);
    generatechunk(c.get());
    return SolidTiles(*c) / 4096.0;
}

bool SameTiles(const Chunk& a, const Chunk& b)
{
    for (int x = 0; x < WORLD_COLUMNS; x++) {
        for (int y = 0; y < CHUNK_ROWS; y++) {
            if (a.wd[x][y].v != b.wd[x][y].v) {
                ADD_FAILURE() << "tiles differ at column " << x << ", row " << y;
                return false;
            }
        }
    }
    return true;
}

// The blend and smoothing at a point whose horizontal fraction is 0, worked
// out here from two known corner values.
float SmoothedVerticalBlend(double lower, double upper, float fy)
{
    const double r = static_cast<float>(upper * fy + lower * (1.0 - fy));
    return static_cast<float>((3.0 - 2.0 * r) * r * r);
}

}  // namespace

// ---- The hash ------------------------------------------------------------------

TEST(RandSeeded, GivesTheKnownValuesExactly)
{
    EXPECT_EQ(rand_seeded(125.0f), 0.328826904296875f);
    EXPECT_EQ(rand_seeded(126.0f), 0.9398651123046875f);
    EXPECT_EQ(rand_seeded(1125.0f), 0.677215576171875f);
}

TEST(RandSeeded, KeepsOnlyTheFractionBitsOfTheRoundedSine)
{
    // Seed 125 amplifies to -350.67..., so the fraction lies on a 2^-15 grid;
    // taking the fraction before rounding would leave bits below it.
    const double scaled = std::ldexp(static_cast<double>(rand_seeded(125.0f)), 15);
    EXPECT_EQ(scaled, std::floor(scaled));
}

TEST(RandSeeded, StaysInTheUnitInterval)
{
    for (int h = -200000; h <= 200000; h += 7) {
        const float r = rand_seeded(static_cast<float>(h));
        ASSERT_GE(r, 0.0f) << h;
        ASSERT_LT(r, 1.0f) << h;
    }
}

// ---- The noise -------------------------------------------------------------------

TEST(ValueNoise, CornerValuesOfTheWorkedCell)
{
    // Figures rounded to 8 places.
    EXPECT_NEAR(rand_seeded(4189.0f), 0.84373474, 5e-9);
    EXPECT_NEAR(rand_seeded(4190.0f), 0.08149719, 5e-9);
    EXPECT_NEAR(rand_seeded(5189.0f), 0.20443726, 5e-9);
    EXPECT_NEAR(rand_seeded(5190.0f), 0.82258606, 5e-9);
}

TEST(ValueNoise, WorkedPointAtTheThreeScales)
{
    const Vector2 p{100.0f, 1608.0f};
    // Eight significant digits name these floats uniquely.
    EXPECT_EQ(ValueNoise(p, 0.04f, SEED), 0.64773923f);
    EXPECT_EQ(ValueNoise(p, 0.2f, SEED), 0.80452579f);
    EXPECT_EQ(ValueNoise(p, 0.01f, SEED), 0.27442488f);
}

TEST(ValueNoise, WorkedPointLiesInCellFourWithNoHorizontalFraction)
{
    // 100 * 0.04f is 3.99999991 until rounded to float, where it becomes 4.0:
    // cell (4, 64) with fx = 0, so only lattice column 4 counts.
    const float fy = 1608.0f * 0.04f - 64.0f;
    EXPECT_EQ(fy, 0.3199997f);
    const double v00 = rand_seeded(4189.0f);
    const double v01 = rand_seeded(4190.0f);
    const double blended = static_cast<float>(v01 * fy + v00 * (1.0 - fy));
    EXPECT_EQ(static_cast<float>(blended), 0.59981894f);
    EXPECT_EQ(ValueNoise({100.0f, 1608.0f}, 0.04f, SEED), SmoothedVerticalBlend(v00, v01, fy));
    // The same cell reached without any rounding: scale 1 at (4, Y).
    EXPECT_EQ(ValueNoise({100.0f, 1608.0f}, 0.04f, SEED), ValueNoise({4.0f, 1608.0f * 0.04f}, 1.0f, SEED));
    // Cell (1, 16) of the large layer: 100 * 0.01f also rounds up to 1.0.
    EXPECT_EQ(ValueNoise({100.0f, 1608.0f}, 0.01f, SEED), ValueNoise({1.0f, 1608.0f * 0.01f}, 1.0f, SEED));
}

TEST(ValueNoise, CellsChangeExactlyAtMultiplesOfTheirWidth)
{
    // At a multiple of 25 (coarse) or 100 (large) along both axes the sample
    // sits on a lattice point: it is that point's smoothed hash, nothing mixed in.
    for (int i = 0; i <= 10; i++) {
        for (int j = 1; j <= 70; j += 3) {
            const Vector2 lattice{static_cast<float>(i), static_cast<float>(j)};
            const float expected = ValueNoise(lattice, 1.0f, SEED);
            ASSERT_EQ(ValueNoise({25.0f * i, 25.0f * j}, 0.04f, SEED), expected) << i << "," << j;
            ASSERT_EQ(ValueNoise({100.0f * i, 100.0f * j}, 0.01f, SEED), expected) << i << "," << j;
            ASSERT_EQ(ValueNoise({5.0f * i, 5.0f * j}, 0.2f, SEED), expected) << i << "," << j;
        }
    }
    // And that value is the smoothed corner hash: lattice point (1, 2) hashes 125 + 1000 + 2.
    const double corner = rand_seeded(1127.0f);
    EXPECT_EQ(ValueNoise({25.0f, 50.0f}, 0.04f, SEED), static_cast<float>((3.0 - 2.0 * corner) * corner * corner));
}

TEST(ValueNoise, LatticePointsOneColumnOverAndAThousandDownShareTheirValue)
{
    EXPECT_EQ(ValueNoise({1.0f, 2.0f}, 1.0f, SEED), ValueNoise({2.0f, -998.0f}, 1.0f, SEED));
    EXPECT_EQ(ValueNoise({7.0f, 1500.0f}, 1.0f, SEED), ValueNoise({8.0f, 500.0f}, 1.0f, SEED));
}

TEST(ValueNoise, CellAroundZeroIsTwiceAsWideAndExtrapolates)
{
    // Every height from -25 to 25 (exclusive) at the coarse scale lies in cell
    // 0, whose lower corners hash 125 and 126; below zero the fraction is
    // negative and the blend runs past the corner values.
    const double v00 = 0.328826904296875;   // rand_seeded(125)
    const double v01 = 0.9398651123046875;  // rand_seeded(126)
    for (int y : {-24, -10, -1, 0, 1, 10, 24}) {
        const float fy = static_cast<float>(y) * 0.04f;
        EXPECT_EQ(ValueNoise({0.0f, static_cast<float>(y)}, 0.04f, SEED), SmoothedVerticalBlend(v00, v01, fy))
            << "height " << y;
    }
    // At -24 the blend itself is negative, below both corners, and used as it comes.
    const double blended = v01 * (-24.0f * 0.04f) + v00 * (1.0 - (-24.0f * 0.04f));
    EXPECT_LT(blended, 0.0);
    EXPECT_GT(ValueNoise({0.0f, -24.0f}, 0.04f, SEED), 0.0f);
    // -25 is the first height of cell -1.
    EXPECT_EQ(ValueNoise({0.0f, -25.0f}, 0.04f, SEED), ValueNoise({0.0f, -1.0f}, 1.0f, SEED));
}

TEST(ValueNoise, CoordinatesBeyondAnyCellArePinnedNotUndefined)
{
    // No chunk samples beyond 2^40 cells; further out the noise holds the value at that edge.
    const float edge = 0x1p40f;
    const float far = ValueNoise({1e30f, 7.0f}, 1.0f, SEED);
    EXPECT_EQ(far, ValueNoise({edge, 7.0f}, 1.0f, SEED));
    EXPECT_EQ(ValueNoise({std::numeric_limits<float>::infinity(), 7.0f}, 1.0f, SEED), far);
    EXPECT_EQ(ValueNoise({3.0f, -1e30f}, 1.0f, SEED), ValueNoise({3.0f, -edge}, 1.0f, SEED));
    EXPECT_GE(far, 0.0f);
    EXPECT_LE(far, 1.0f);
    // Past 32 bits but inside the pin the cell is the coordinate itself, and
    // its hash input 125 + 3e9 * 1000 + 5 is formed without wrapping.
    const float deep = ValueNoise({3e9f, 5.0f}, 1.0f, SEED);
    const double corner = rand_seeded(static_cast<float>(INT64_C(3000000000130)));
    EXPECT_EQ(deep, static_cast<float>((3.0 - 2.0 * corner) * corner * corner));
    EXPECT_NE(deep, ValueNoise({3e9f + 256.0f, 5.0f}, 1.0f, SEED));
    // A NaN has no cell and gives a NaN.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(std::isnan(ValueNoise({nan, 5.0f}, 0.04f, SEED)));
    EXPECT_TRUE(std::isnan(ValueNoise({5.0f, nan}, 0.04f, SEED)));
    EXPECT_TRUE(std::isnan(ValueNoise({5.0f, 5.0f}, nan, SEED)));
}

// ---- One tile's sum ----------------------------------------------------------------

TEST(Terrain, DepthBiasRoundsToFloatOnce)
{
    EXPECT_EQ(DepthBias(100), 0.25f);
    EXPECT_EQ(static_cast<double>(DepthBias(101)), 0.252499997615814208984375);
    EXPECT_EQ(DepthBias(0), 0.0f);
    EXPECT_EQ(DepthBias(-100), -0.25f);
    // Both factors in double: in single precision 40 * 0.0025f would come out
    // 0.099999994 and 5 * 0.0025f 0.012499999, a bit short of the nearest floats.
    EXPECT_EQ(DepthBias(40), 0.1f);
    EXPECT_EQ(DepthBias(5), 0.0125f);
}

TEST(Terrain, WorkedTilesAtDepth101)
{
    const float bias = DepthBias(101);
    // Column 100, row 8: layers 0.647739, 0.804526, 0.274425; sum 0.270734; solid.
    const Vector2 p1{100.0f, 1608.0f};
    EXPECT_NEAR(TerrainSum(p1, bias), 0.270734, 5e-7);
    // Column 111, row 8: layers 0.519325, 0.727062, 0.341456; sum 0.004726; empty.
    const Vector2 p2{111.0f, 1608.0f};
    EXPECT_NEAR(ValueNoise(p2, 0.04f, SEED), 0.519325, 5e-7);
    EXPECT_NEAR(ValueNoise(p2, 0.2f, SEED), 0.727062, 5e-7);
    EXPECT_NEAR(ValueNoise(p2, 0.01f, SEED), 0.341456, 5e-7);
    EXPECT_NEAR(TerrainSum(p2, bias), 0.004726, 5e-7);

    for (auto generate : {generatechunk, generatechunk_reference}) {
        auto c = ChunkAt(101);
        generate(c.get());
        EXPECT_EQ(c->wd[100][8].v, 1);
        EXPECT_EQ(c->wd[111][8].v, 0);
        EXPECT_EQ(SolidTiles(*c), 2918);
    }
}

// ---- Whole chunks -----------------------------------------------------------------

TEST(GenerateChunk, TouchesOnlyTheDepthAndTheTileKinds)
{
    for (auto generate : {generatechunk, generatechunk_reference}) {
        auto c = ChunkAt(101);
        c->id = 17;
        c->depth = 55;
        for (int x = 0; x < WORLD_COLUMNS; x++) {
            for (int y = 0; y < CHUNK_ROWS; y++) {
                c->wd[x][y].v = 0xAB;  // neither kind: every tile must be rewritten
                c->wd[x][y].lightness = static_cast<uint8_t>(x * 7 + y * 13);
            }
        }
        generate(c.get());
        EXPECT_EQ(c->depth, 101);
        EXPECT_EQ(c->replacementdepth, 101);
        EXPECT_EQ(c->id, 17);
        for (int x = 0; x < WORLD_COLUMNS; x++) {
            for (int y = 0; y < CHUNK_ROWS; y++) {
                ASSERT_LE(c->wd[x][y].v, 1) << x << "," << y;
                ASSERT_EQ(c->wd[x][y].lightness, static_cast<uint8_t>(x * 7 + y * 13)) << x << "," << y;
            }
        }
    }
}

TEST(GenerateChunk, SameDepthGivesSameTilesWhateverTheRecordHeld)
{
    auto fresh = ChunkAt(101);
    generatechunk(fresh.get());

    // A record never generated (depth -12000) and one that held other terrain
    // and was edited by the mouse both come back as the fresh one.
    auto reused = ChunkAt(410);
    generatechunk(reused.get());
    reused->wd[100][8].v = 0;
    reused->wd[111][8].v = 1;
    reused->replacementdepth = 101;
    generatechunk(reused.get());
    EXPECT_TRUE(SameTiles(*fresh, *reused));

    auto twice = ChunkAt(101);
    generatechunk(twice.get());
    twice->wd[3][3].v ^= 1;
    generatechunk(twice.get());
    EXPECT_TRUE(SameTiles(*fresh, *twice));
}

TEST(GenerateChunk, StartupWindowHoldsTunnels)
{
    double lowest = 1.0, highest = 0.0;
    for (int32_t depth = 84; depth <= 115; depth++) {
        const double share = SolidShare(depth);
        lowest = std::min(lowest, share);
        highest = std::max(highest, share);
    }
    // Between 62 % and 93 % solid per chunk (whole percents).
    EXPECT_NEAR(lowest, 0.62, 0.01);
    EXPECT_NEAR(highest, 0.93, 0.01);
}

TEST(GenerateChunk, TunnelsWidenWithDepth)
{
    EXPECT_NEAR(SolidShare(0), 0.98, 0.01);    // about 98 % at depth 0
    EXPECT_NEAR(SolidShare(410), 0.87, 0.01);  // 87 %
    auto empty = ChunkAt(670);                 // a whole chunk of tunnel
    generatechunk(empty.get());
    EXPECT_EQ(SolidTiles(*empty), 0);
}

TEST(GenerateChunk, EachTileSamplesItsColumnAndTheHeightOfItsTopEdge)
{
    // Row 0 is the lowest row: tile (x, y) of depth d samples (x, 16d - y).
    // At depth 0 and above the samples are zero or negative, inside the
    // doubled cell around zero for the first chunk.
    for (int32_t depth : {101, 5000, 1, 0, -1, -2, -100}) {
        auto c = ChunkAt(depth);
        generatechunk(c.get());
        const float bias = DepthBias(depth);
        for (int x : {0, 37, 100, 255}) {
            for (int y : {0, 7, 15}) {
                const Vector2 p{static_cast<float>(x), static_cast<float>(depth * 16 - y)};
                EXPECT_EQ(c->wd[x][y].v, TerrainSum(p, bias) > 0.1 ? 1 : 0) << depth << ":" << x << "," << y;
            }
        }
    }
}

TEST(GenerateChunk, FastGeneratorMatchesTheReferenceTileForTile)
{
    std::vector<int32_t> depths = {std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<int32_t>::min() + 1,
                                   -134217729,  // depth * 16 just below the 32-bit range
                                   -134217728,
                                   -1000000,
                                   -100000,
                                   -1000,
                                   -63,
                                   -17,
                                   -2,
                                   -1,
                                   0,
                                   1,
                                   2,
                                   409,
                                   410,
                                   411,
                                   669,
                                   670,
                                   671,
                                   1000,
                                   1001,
                                   10000,
                                   100000,
                                   1000000,
                                   134217727,
                                   134217728,  // depth * 16 just above the 32-bit range
                                   1000000000,
                                   std::numeric_limits<int32_t>::max() - 1,
                                   std::numeric_limits<int32_t>::max()};
    for (int32_t depth = 83; depth <= 116; depth++) depths.push_back(depth);
    auto fast = ChunkAt(0);
    auto reference = ChunkAt(0);
    for (int32_t depth : depths) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        fast->replacementdepth = depth;
        reference->replacementdepth = depth;
        generatechunk(fast.get());
        generatechunk_reference(reference.get());
        EXPECT_EQ(fast->depth, depth);
        EXPECT_EQ(reference->depth, depth);
        if (!SameTiles(*fast, *reference)) break;
    }
}
