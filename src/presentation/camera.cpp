#include "presentation/camera.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "shell/state.h"
#include "world/world.h"

Vector2 PanCamera(Vector2 CameraPos, Vector2 targetpos, float interpolate, Vector2 offset)
{
    float s = static_cast<float>(WORLDSCALE);
    Vector2 goal = Vector2Add(Vector2Scale(targetpos, s), offset);
    Vector2 t = Vector2Add(Vector2Scale(CameraPos, 1.0f - interpolate), Vector2Scale(goal, interpolate));
    // The glide ends where its float steps stop moving, a fraction of a pixel
    // from the goal; nothing pulls it further, so a resting view holds still.
    // The bound uses the window's design width, not the live one.
    int32_t right = WORLD_COLUMNS * WORLDSCALE - WINDOW_WIDTH;
    if (right < 0 || t.x < 0.0f) {
        // A world narrower than the window has no right bound to keep: the
        // view holds at its left edge rather than flip between 0 and a
        // negative bound every frame.
        t.x = 0.0f;
    } else if (t.x > static_cast<float>(right)) {
        t.x = static_cast<float>(right);
    }
    return t;
}

Vector2 WorldPixelsToScreen(const GameInstance* g, Vector2 worldPixels)
{
    return Vector2{worldPixels.x - g->CameraPosition.x,
                   static_cast<float>(g->WindowHeight) - (worldPixels.y - g->CameraPosition.y)};
}

Vector2 ScreenToWorld(const GameInstance* g, Vector2 screen)
{
    Vector2 mp{screen.x, static_cast<float>(g->WindowHeight) - screen.y};
    float reciprocal = 1.0f / static_cast<float>(WORLDSCALE);
    return Vector2Scale(Vector2Add(mp, g->CameraPosition), reciprocal);
}

namespace {

// World-pixel height of the top edge of a row: an exact integer, widened so
// that no depth or zoom can overflow it.
int64_t RowTopPixels(int32_t depth, int row) { return int64_t{WORLDSCALE} * (row - int64_t{CHUNK_ROWS} * depth); }

}  // namespace

float TileScreenTop(const GameInstance* g, int32_t depth, int row)
{
    return static_cast<float>(g->WindowHeight) - (static_cast<float>(RowTopPixels(depth, row)) - g->CameraPosition.y);
}

Vector2 TileScreenCorner(const GameInstance* g, int32_t depth, int column, int row)
{
    return Vector2{TileScreenLeft(g, column), TileScreenTop(g, depth, row)};
}

VisibleRange VisibleRangeOf(const GameInstance* g, int32_t depth, int startOffset, int topMargin)
{
    VisibleRange r{};

    // First row: camera height in tiles, truncated, less |16 d + offset|; at least 0.
    int64_t cameraRow = int64_t{TruncateToInt(g->CameraPosition.y)} / WORLDSCALE;
    int64_t first = cameraRow - std::llabs(int64_t{CHUNK_ROWS} * depth + startOffset);
    r.rowBegin = static_cast<int>(std::clamp<int64_t>(first, 0, CHUNK_ROWS));
    // Rows go up while their top edge lies below the window's top plus the margin.
    double limit = static_cast<double>(g->WindowHeight) + static_cast<double>(topMargin) * WORLDSCALE;
    r.rowEnd = r.rowBegin;
    while (r.rowEnd < CHUNK_ROWS && static_cast<double>(RowTopPixels(depth, r.rowEnd)) - g->CameraPosition.y < limit) {
        r.rowEnd++;
    }

    double left = g->CameraPosition.x > 0.0f ? std::floor(double{g->CameraPosition.x} / WORLDSCALE) : 0.0;
    double right = (double{g->CameraPosition.x} + g->WindowWidth) / WORLDSCALE;  // columns stop short of it
    r.colBegin = static_cast<int>(std::clamp(left, 0.0, double{WORLD_COLUMNS}));
    r.colEnd = static_cast<int>(std::clamp(std::ceil(right), 0.0, double{WORLD_COLUMNS}));
    return r;
}
