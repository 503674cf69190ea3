#include "entities/sweep.h"

#include <cmath>
#include <cstdint>

#include "entities/entity.h"
#include "shell/state.h"
#include "world/world.h"

namespace {

// Which tile a probe reads: the two phases differ in how they round the height.
enum class Phase { Horizontal, Vertical };

// True when the tile under probe point (px, py) blocks the body. Whatever lies
// outside the resident tiles (beyond the world's side edges, in a chunk outside
// the window, or in a row the recorded chunk cannot name) blocks too, so a body
// never reads or moves into tiles that are not there.
bool ProbeBlocked(const GameInstance* g, float px, float py, float pdwc, Phase phase)
{
    int32_t column = TruncateToInt(px);
    if (column < 0 || column >= WORLD_COLUMNS) return true;

    int32_t k = phase == Phase::Horizontal ? TruncateToInt(py) : TruncateToInt(std::ceil(py));
    int32_t slot = SlotOfDepth(g, DepthOfWholeHeight(k));
    if (slot < 0 || slot >= RESIDENT_CHUNKS) return true;

    float rowtop = py + pdwc + 16.0f;  // summed left to right in single precision
    int32_t r = TruncateToInt(std::ceil(rowtop));
    if (r < 0) return true;

    return g->world[slot]->wd[column][r % CHUNK_ROWS].v != 0;
}

// True when no tile under the footprint with top-left origin (bx, by) and the
// given extent blocks. Offsets run 0, 1, 2 ... then the extent itself, so every
// column and row the footprint touches is probed; columns outer, rows inner.
bool FootprintFree(const GameInstance* g, float bx, float by, Vector2 extent, float pdwc, Phase phase)
{
    Vector2 sizeiter{0.0f, 0.0f};
    bool check = true;
    bool xreturnnext = false;
    bool yreturnnext = false;
    while (check) {
        while (check) {
            check = check && !ProbeBlocked(g, bx + sizeiter.x, by - sizeiter.y, pdwc, phase);
            if (yreturnnext) break;
            sizeiter.y += 1.0f;
            if (sizeiter.y > extent.y) {
                sizeiter.y = extent.y;
                yreturnnext = true;
            }
        }
        if (xreturnnext) break;
        yreturnnext = false;
        sizeiter.y = 0.0f;
        sizeiter.x += 1.0f;
        if (sizeiter.x > extent.x) {
            sizeiter.x = extent.x;
            xreturnnext = true;
        }
    }
    return check;
}

// Takes one step off a remaining distance. A remainder so large that a half
// tile no longer changes it in single precision is dropped instead, so the
// sweep ends for any finite velocity.
void TakeStep(float* remaining, float step)
{
    float next = *remaining - step;
    *remaining = next == *remaining ? 0.0f : next;
}

}  // namespace

void EntityVelStep(Entity* a, GameInstance* g)
{
    Vector2 t = a->pos;
    float tx = 0.5f;
    float ty = 0.5f;
    float pdwc = static_cast<float>(int64_t{16} * a->chunkdepth);
    float dx = a->vel.x;
    float dy = a->vel.y;
    if (dx < 0.0f) tx = -0.5f;
    if (dy < 0.0f) ty = -0.5f;
    a->istouchingground = false;

    while (std::fabs(dx) > 0.0f || std::fabs(dy) > 0.0f) {
        if (std::fabs(tx) > std::fabs(dx)) tx = dx;
        if (std::fabs(ty) > std::fabs(dy)) ty = dy;
        Vector2 extent{a->size.x - 0.1f, a->size.y - 0.1f};

        if (std::fabs(dx) > 0.0f) {
            if (FootprintFree(g, t.x + tx, t.y, extent, pdwc, Phase::Horizontal)) {
                t.x += tx;
                TakeStep(&dx, tx);
            } else {
                dx = 0.0f;
                a->vel.x = 0.0f;
            }
        }
        if (std::fabs(dy) > 0.0f) {
            if (FootprintFree(g, t.x, t.y + ty, extent, pdwc, Phase::Vertical)) {
                t.y += ty;
                TakeStep(&dy, ty);
            } else {
                dy = 0.0f;
                if (a->vel.y < 0.0f) a->istouchingground = true;
                a->vel.y = 0.0f;
            }
        }
    }
    a->pos = t;
}
