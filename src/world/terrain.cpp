// Terrain generation. The same depth must give the same tiles on every run and
// every build, so each step below fixes where it computes in double and where
// it rounds to float; the project builds with -ffp-contract=off so that no
// multiply-add is fused behind our back.
#include "world/terrain.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int TERRAIN_SEED = 125;
constexpr float COARSE_SCALE = 0.04f;  // the tunnels: cells 25 tiles wide
constexpr float FINE_SCALE = 0.2f;     // roughness of the tunnel walls: cells 5 tiles wide
constexpr float LARGE_SCALE = 0.01f;   // where deep tunnels widen: cells 100 tiles wide
constexpr double FINE_WEIGHT = 0.1;
constexpr double DEPTH_STEP = 0.01;
constexpr double DEPTH_WEIGHT = 0.25;
constexpr double CONSTANT_TERM = 0.125;
constexpr double SOLID_THRESHOLD = 0.1;
constexpr double HASH_ARGUMENT_FACTOR = 1234.1;
constexpr double HASH_AMPLITUDE = 456.52;
constexpr int64_t LATTICE_STRIDE = 1000;  // hash step from one lattice column to the next

// Scaled coordinates are pinned to +-2^40 before they are cut into cells.
// Beyond 2^24 a float is a whole number, so pinning never moves an in-range
// coordinate, and cell * 1000 stays far inside 64 bits. The deepest chunk an
// int32 depth can name samples about 7e9 cells down, well inside the pin.
constexpr float CELL_LIMIT = 0x1p40f;

struct Cell {
    int64_t index;  // the coordinate truncated toward zero
    float frac;     // what is left; negative below zero
};

// Scaled coordinate: the product is exact in double, then rounded to float.
// The rounding matters: 25 * 0.04f is 0.99999998 before it and 1.0 after.
constexpr float Scaled(float coord, float scalefactor)
{
    return static_cast<float>(static_cast<double>(coord) * static_cast<double>(scalefactor));
}

// Cuts a scaled coordinate into its cell and the fraction inside it. Truncation
// toward zero makes the cell around zero twice as wide, with negative fractions
// below it; that shapes the terrain from depth 0 upward and is kept.
Cell CellOf(float scaled)
{
    float pinned = scaled;
    if (pinned > CELL_LIMIT) pinned = CELL_LIMIT;
    if (pinned < -CELL_LIMIT) pinned = -CELL_LIMIT;
    // NaN passes both tests: it takes cell 0 and keeps its NaN in the fraction.
    const int64_t index = (pinned == pinned) ? static_cast<int64_t>(pinned) : 0;
    return Cell{index, pinned - static_cast<float>(index)};
}

// The hash of lattice point (cx, cy). The sum is formed in 64 bits so that
// deep cells cannot overflow it; for every cell that fits 32 bits it is the
// same number, and it reaches the hash rounded to float either way.
float CornerValue(int seed, int64_t cx, int64_t cy)
{
    return rand_seeded(static_cast<float>(seed + cx * LATTICE_STRIDE + cy));
}

// Linear blend from lo (at f = 0) to hi (at f = 1), in double: hi·f + lo·(1 - f).
double Mix(double lo, double hi, double f) { return hi * f + lo * (1.0 - f); }

// Bilinear blend of the four corner values, in double, rounded once to float:
// the smoothing works on that rounded value. vAB is corner (x + A, y + B).
float Blend(float v00, float v01, float v10, float v11, float fx, float fy)
{
    return static_cast<float>(Mix(Mix(v00, v10, fx), Mix(v01, v11, fx), fy));
}

// The smoothing curve, applied to the blended value (not to the fractions).
// Evaluated in double from the rounded blend and rounded once at the end:
// three float multiplications would each round, and the coarse layer at
// (100, 1608) would come out one bit off (0.647739291 instead of 0.647739232).
float Smooth(float r)
{
    const double dr = r;
    return static_cast<float>((3.0 - 2.0 * dr) * dr * dr);
}

// The tile's sum from its three layer values: twice the coarse layer's distance
// from its middle, less the wall roughness, less the depth's widening.
double SumFromLayers(float coarse, float fine, float large, float bias)
{
    float a = coarse + coarse - 1.0f;
    float b = -a;
    if (a < 0.0f) a = 0.0f;
    if (b < 0.0f) b = 0.0f;
    return static_cast<double>(a + b) - static_cast<double>(fine) * FINE_WEIGHT -
           static_cast<double>(large) * static_cast<double>(bias) + CONSTANT_TERM;
}

// Second coordinate of the sample for a row: the negated height of the tile's
// top edge. Formed in 64 bits, as depth * 16 leaves int32 for the deepest depths.
float SampleHeight(int32_t depth, int row)
{
    return static_cast<float>(static_cast<int64_t>(depth) * CHUNK_ROWS - row);
}

// ---- Fast generator ---------------------------------------------------------
//
// Neighbouring tiles share lattice points, and a corner value depends only on
// its lattice point, so a chunk needs a few hundred hashes, not 49,152. Each
// layer hashes its lattice points once into a table on the stack; the tiles
// then only blend.

constexpr int LAYERS = 3;
constexpr float LAYER_SCALES[LAYERS] = {COARSE_SCALE, FINE_SCALE, LARGE_SCALE};

// Lattice columns a layer uses: the cells of columns 0..255 plus the right corner.
constexpr int LatticeColumns(float scalefactor)
{
    return static_cast<int>(Scaled(static_cast<float>(WORLD_COLUMNS - 1), scalefactor)) + 2;
}
constexpr int MAX_LATTICE_COLUMNS = 56;
constexpr int MAX_LATTICE_ROWS = 2 * CHUNK_ROWS;  // each row's cell and the one above it
static_assert(LatticeColumns(COARSE_SCALE) <= MAX_LATTICE_COLUMNS);
static_assert(LatticeColumns(FINE_SCALE) <= MAX_LATTICE_COLUMNS);
static_assert(LatticeColumns(LARGE_SCALE) <= MAX_LATTICE_COLUMNS);

struct LayerLattice {
    int32_t column[WORLD_COLUMNS];  // cell of each tile column; columns start at cell 0
    float fx[WORLD_COLUMNS];
    int32_t row0[CHUNK_ROWS];  // table row holding each tile row's lower corners
    int32_t row1[CHUNK_ROWS];  // and its upper corners
    double fy[CHUNK_ROWS];     // the float fraction, held as the double the blend reads
    int64_t latticerow[MAX_LATTICE_ROWS];
    int32_t rows;
    float corner[MAX_LATTICE_ROWS][MAX_LATTICE_COLUMNS];  // [table row][lattice column]
};

// Table row of a lattice row, added on first use.
int32_t TableRow(LayerLattice* l, int64_t latticerow)
{
    for (int32_t i = 0; i < l->rows; i++) {
        if (l->latticerow[i] == latticerow) return i;
    }
    l->latticerow[l->rows] = latticerow;
    return l->rows++;
}

void BuildLattice(LayerLattice* l, float scalefactor, int32_t depth)
{
    for (int x = 0; x < WORLD_COLUMNS; x++) {
        const Cell c = CellOf(Scaled(static_cast<float>(x), scalefactor));
        l->column[x] = static_cast<int32_t>(c.index);
        l->fx[x] = c.frac;
    }
    l->rows = 0;
    for (int y = 0; y < CHUNK_ROWS; y++) {
        const Cell c = CellOf(Scaled(SampleHeight(depth, y), scalefactor));
        l->row0[y] = TableRow(l, c.index);
        l->row1[y] = TableRow(l, c.index + 1);
        l->fy[y] = c.frac;
    }
    const int columns = l->column[WORLD_COLUMNS - 1] + 2;
    for (int r = 0; r < l->rows; r++) {
        for (int cx = 0; cx < columns; cx++) {
            l->corner[r][cx] = CornerValue(TERRAIN_SEED, cx, l->latticerow[r]);
        }
    }
}

// One layer's values down column x, bit for bit what ValueNoise gives there.
// The blend is linear in each fraction, so the horizontal part is done once per
// lattice row of the column; each tile then only blends vertically.
void LayerColumn(const LayerLattice& l, int x, float out[CHUNK_ROWS])
{
    const int cx = l.column[x];
    const double fx = l.fx[x];
    double across[MAX_LATTICE_ROWS];
    for (int r = 0; r < l.rows; r++) across[r] = Mix(l.corner[r][cx], l.corner[r][cx + 1], fx);
    // Gather first so that the blending runs over plain local arrays and
    // vectorizes; nothing it reads is a float that the output could alias.
    double lower[CHUNK_ROWS], upper[CHUNK_ROWS];
    for (int y = 0; y < CHUNK_ROWS; y++) {
        lower[y] = across[l.row0[y]];
        upper[y] = across[l.row1[y]];
    }
    for (int y = 0; y < CHUNK_ROWS; y++) {
        out[y] = Smooth(static_cast<float>(Mix(lower[y], upper[y], l.fy[y])));
    }
}

}  // namespace

float rand_seeded(float seed)
{
    // Rounding the amplified sine to float before taking its fraction is part
    // of the terrain's look: the fraction keeps only the bits a float holds.
    const float v = static_cast<float>(std::sin(static_cast<double>(seed) * HASH_ARGUMENT_FACTOR) * HASH_AMPLITUDE);
    return v - std::floor(v);
}

float ValueNoise(Vector2 xy, float scalefactor, int seed)
{
    const Cell cx = CellOf(Scaled(xy.x, scalefactor));
    const Cell cy = CellOf(Scaled(xy.y, scalefactor));
    const float v00 = CornerValue(seed, cx.index, cy.index);
    const float v01 = CornerValue(seed, cx.index, cy.index + 1);
    const float v10 = CornerValue(seed, cx.index + 1, cy.index);
    const float v11 = CornerValue(seed, cx.index + 1, cy.index + 1);
    return Smooth(Blend(v00, v01, v10, v11, cx.frac, cy.frac));
}

float DepthBias(int32_t depth) { return static_cast<float>(static_cast<double>(depth) * DEPTH_STEP * DEPTH_WEIGHT); }

double TerrainSum(Vector2 p, float bias)
{
    const float coarse = ValueNoise(p, COARSE_SCALE, TERRAIN_SEED);
    const float fine = ValueNoise(p, FINE_SCALE, TERRAIN_SEED);
    const float large = ValueNoise(p, LARGE_SCALE, TERRAIN_SEED);
    return SumFromLayers(coarse, fine, large, bias);
}

void generatechunk_reference(Chunk* t)
{
    t->depth = t->replacementdepth;
    const int32_t depth = t->depth;
    const float bias = DepthBias(depth);
    for (int x = 0; x < WORLD_COLUMNS; x++) {
        for (int y = 0; y < CHUNK_ROWS; y++) {
            const Vector2 p{static_cast<float>(x), SampleHeight(depth, y)};
            t->wd[x][y].v = TerrainSum(p, bias) > SOLID_THRESHOLD ? 1 : 0;
        }
    }
}

void generatechunk(Chunk* t)
{
    t->depth = t->replacementdepth;
    const int32_t depth = t->depth;
    const float bias = DepthBias(depth);
    LayerLattice layers[LAYERS];
    for (int i = 0; i < LAYERS; i++) BuildLattice(&layers[i], LAYER_SCALES[i], depth);
    for (int x = 0; x < WORLD_COLUMNS; x++) {
        float coarse[CHUNK_ROWS], fine[CHUNK_ROWS], large[CHUNK_ROWS];
        LayerColumn(layers[0], x, coarse);
        LayerColumn(layers[1], x, fine);
        LayerColumn(layers[2], x, large);
        for (int y = 0; y < CHUNK_ROWS; y++) {
            t->wd[x][y].v = SumFromLayers(coarse[y], fine[y], large[y], bias) > SOLID_THRESHOLD ? 1 : 0;
        }
    }
}
