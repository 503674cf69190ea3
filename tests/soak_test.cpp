// A long headless game of seeded pseudo-random play: wandering with every key,
// the zoom and the mouse (inside the window and far outside it), falls of
// hundreds of chunks down dug shafts, and climbs back up on steps placed with
// the mouse or lifted by the test. Everything the window, the body and the
// standard output promise is checked after every frame. The same checks also
// follow a fixed script: a plain fall of hundreds of chunks and a climb back.
//
// DELVE_SOAK_FRAMES raises or lowers the number of frames, DELVE_SOAK_SEED
// picks another game. A failure names both, so that it can be replayed:
//   DELVE_SOAK_SEED=<seed> DELVE_SOAK_FRAMES=<frame + 1> ./delve_tests --gtest_filter='Soak*'
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "entities/entity.h"
#include "harness/input_events.h"
#include "harness/invariants.h"
#include "headless_game.h"
#include "presentation/camera.h"

namespace {

using input_events::PushKey;
using input_events::PushMouseButton;
using input_events::PushMouseMove;

constexpr int SOAK_FRAMES = 20000;
constexpr uint32_t SOAK_SEED = 0x5eed1e5u;

// One round of play; a run is as many rounds as fit, the last one cut short.
constexpr int ROUND_FRAMES = 5000;
// Shares of a round, in play order: wander, fall, climb on mouse steps, climb lifted, wander.
constexpr double PHASE_SHARE[] = {0.12, 0.32, 0.16, 0.28, 0.12};
enum class Phase { Wander, Fall, MouseSteps, Lifted, WanderAgain };

constexpr int MAX_ZOOM = 48;   // the play zooms between 1 and this
constexpr int MAX_QUEUE = 16;  // two shifts' worth of records waiting for generation

long EnvNumber(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    return (end && *end == '\0' && value > 0) ? value : fallback;
}

Phase PhaseAt(int frame, int totalFrames)
{
    int round = std::min(ROUND_FRAMES, totalFrames);
    double at = static_cast<double>(frame % round) / round;
    double edge = 0.0;
    for (int i = 0; i < 5; i++) {
        edge += PHASE_SHARE[i];
        if (at < edge) return static_cast<Phase>(i);
    }
    return Phase::WanderAgain;
}

// The tiles the body's footprint covers, probed as the sweep probes it: offsets
// 0, 1, 2 ... and then the extent, from the top-left corner.
struct Cell {
    int column;
    int top;
    bool operator==(const Cell&) const = default;
};

std::vector<Cell> Footprint(const Entity& e)
{
    std::vector<Cell> cells;
    Vector2 extent{e.size.x - 0.1f, e.size.y - 0.1f};
    for (float ox = 0.0f;; ox += 1.0f) {
        if (ox > extent.x) ox = extent.x;
        for (float oy = 0.0f;; oy += 1.0f) {
            if (oy > extent.y) oy = extent.y;
            Cell c{TruncateToInt(e.pos.x + ox), TruncateToInt(std::ceil(e.pos.y - oy))};
            if (std::find(cells.begin(), cells.end(), c) == cells.end()) cells.push_back(c);
            if (oy == extent.y) break;
        }
        if (ox == extent.x) break;
    }
    return cells;
}

struct SoakTest : HeadlessGame {
    std::mt19937 rng;
    std::ostringstream out;  // what the game writes to standard output
    std::streambuf* realCout = nullptr;

    // Held state as the test last pushed it.
    bool held[5] = {};  // A, D, W, S, V
    static constexpr int KEYS[5] = {KEY_A, KEY_D, KEY_W, KEY_S, KEY_V};
    bool left = false, right = false;
    int zoomGoal = 16;

    // What the checked frames saw so far.
    int upwardShifts = 0;
    int stopLines = 0;    // STOP lines of picks outside the window
    std::string written;  // everything the game wrote to standard output

    void SetUp() override
    {
        HeadlessGame::SetUp();
        realCout = std::cout.rdbuf(out.rdbuf());
    }
    void TearDown() override
    {
        std::cout.rdbuf(realCout);
        HeadlessGame::TearDown();
    }

    bool Chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p; }
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    void Hold(int index, bool down)
    {
        if (held[index] == down) return;
        held[index] = down;
        PushKey(KEYS[index], down);
    }
    void Buttons(bool l, bool r)
    {
        if (l != left) PushMouseButton(MOUSE_BUTTON_LEFT, l);
        if (r != right) PushMouseButton(MOUSE_BUTTON_RIGHT, r);
        left = l;
        right = r;
    }
    // One press of a zoom key: down and up before the poll still counts as a press.
    static void Tap(int key)
    {
        PushKey(key, true);
        PushKey(key, false);
    }

    // Empties the tiles of columns around the player from `below` rows under
    // its top edge to `above` rows over it.
    void Carve(int below, int above, int halfWidth)
    {
        CarveAroundPlayer(&game, -halfWidth, halfWidth + 1, below, above);
    }

    void RandomKeys(double p)
    {
        for (int i = 0; i < 5; i++)
            if (Chance(p)) Hold(i, !held[i]);
    }

    // Walks the zoom toward a goal that changes now and then; low zooms are
    // visited rarely and briefly, since a frame there draws every column.
    void RandomZoom()
    {
        if (Chance(zoomGoal < 8 ? 1.0 / 40 : 1.0 / 300)) {
            double pick = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
            zoomGoal = pick < 0.03 ? 1 : pick < 0.08 ? Between(2, 7) : Between(8, MAX_ZOOM);
        }
        if (WORLDSCALE < zoomGoal && Chance(0.5)) Tap(KEY_KP_ADD);
        if (WORLDSCALE > zoomGoal && Chance(0.5)) Tap(KEY_KP_SUBTRACT);
        if (WORLDSCALE == 1 && Chance(0.2)) Tap(KEY_KP_SUBTRACT);  // the floor holds
    }

    // Somewhere in the window, just past its edges, or very far away.
    int CursorCoordinate(int size)
    {
        switch (Between(0, 9)) {
            case 0: return Between(-1000000, -1000);
            case 1: return Between(size + 1000, 1000000);
            case 2: return Chance(0.5) ? -1000000000 : 1000000000;
            case 3: return Chance(0.5) ? -1 : size;
            default: return Between(0, size - 1);
        }
    }
    void RandomMouse()
    {
        if (Chance(0.05)) PushMouseMove(CursorCoordinate(game.WindowWidth), CursorCoordinate(game.WindowHeight));
        bool l = left, r = right;
        if (Chance(0.03)) l = !l;
        if (Chance(0.03)) r = !r;
        Buttons(l, r);
    }

    // Puts the cursor on the tile just below where the body will stand after
    // this tick, with the camera where the tick will leave it, and places it.
    void StepUnderFeet()
    {
        const Entity& p = *game.player;
        float vy = p.vel.y - 0.1f + (p.istouchingground ? 1.5f : 0.0f);
        Vector2 next{p.pos.x, p.pos.y + vy};
        Vector2 camera = PanCamera(game.CameraPosition, next, 0.4f, game.CameraCenterOffset);
        float scale = static_cast<float>(WORLDSCALE);
        int below = TruncateToInt(std::ceil(next.y - (p.size.y - 0.1f))) - 1;
        Vector2 aim{(next.x + p.size.x / 2) * scale, (static_cast<float>(below) - 0.5f) * scale};
        PushMouseMove(TruncateToInt(aim.x - camera.x), TruncateToInt(game.WindowHeight - (aim.y - camera.y)));
        Buttons(true, false);
    }

    // ---- Checks -----------------------------------------------------------

    // One frame of play, with the input already pushed and polled; returns
    // every fault of the window, the body and the standard output it finds
    // after the frame, or "".
    std::string CheckedFrame()
    {
        const Entity& player = *game.player;
        // What the tick will see, and what the frame may touch.
        const bool pickLeft = IsMouseButtonDown(MOUSE_BUTTON_LEFT);
        const bool pickAny = pickLeft || IsMouseButtonDown(MOUSE_BUTTON_RIGHT);
        const Vector2 cursor = GetMousePosition();
        const bool freeze = loop.FREEZE;
        const int32_t highest = game.HighestChunk, lowest = game.LowestChunk;
        int32_t recycledDepth[8];
        for (int k = 0; k < 8; k++) recycledDepth[k] = game.world[RESIDENT_CHUNKS - 1 - k]->depth;
        std::vector<Cell> solidBefore;
        for (Cell c : Footprint(player))
            if (Tile* t = TileWithTopEdge(&game, c.column, c.top); t && t->v) solidBefore.push_back(c);

        RunFrame(&game, &loop);

        std::ostringstream fault;
        fault << WindowFault(&game, MAX_QUEUE) << PlayerFault();

        // The output: an upward shift's eight lines, the pick's STOP when the
        // cursor lies over no resident chunk, the V key's line. Nothing else:
        // no STOP from the light pass.
        std::string expected;
        if (game.LowestChunk < lowest) {
            upwardShifts++;
            for (int k = 0; k < 8; k++)
                expected += std::to_string(highest - 1 - k) + " " + std::to_string(recycledDepth[k]) + "\n";
        }
        Vector2 picked = ScreenToWorld(&game, cursor);
        int32_t pickedSlot = SlotOfDepth(&game, DepthOfHeight(picked.y));
        bool pickOutside = pickedSlot < 0 || pickedSlot >= RESIDENT_CHUNKS;
        if (pickAny && pickOutside) {
            expected += "STOP\n";
            stopLines++;
        }
        if (freeze) expected += "stopping!!\n";
        if (out.str() != expected) fault << "wrote \"" << out.str() << "\", expected \"" << expected << "\"; ";
        written += out.str();
        out.str("");

        // No tick moves the body into a solid tile. A tile it already overlapped
        // may stay, and so may the one the mouse just made solid under it.
        const Tile* placed = nullptr;
        if (pickLeft && !pickOutside) {
            GlobalTilePosition p = GetTileFromPos(&game, picked);
            if (IsResidentTile(p)) placed = TileAt(&game, p);
            out.str("");
        }
        for (Cell c : Footprint(player)) {
            Tile* t = TileWithTopEdge(&game, c.column, c.top);
            if (!t) {
                fault << "body reaches the non-resident tile " << c.column << ", " << c.top << "; ";
            } else if (t->v && t != placed &&
                       std::find(solidBefore.begin(), solidBefore.end(), c) == solidBefore.end()) {
                fault << "body moved into the solid tile " << c.column << ", " << c.top << "; ";
            }
        }
        return fault.str();
    }

    // The player inside the world, in a resident chunk that holds its terrain,
    // and with its own tile resident (the light pass seeds from it).
    std::string PlayerFault()
    {
        std::ostringstream why;
        const Entity& p = *game.player;
        if (!std::isfinite(p.pos.x) || !std::isfinite(p.pos.y) || p.pos.x < 0.0f || p.pos.x > 255.0f)
            why << "player at " << p.pos.x << ", " << p.pos.y << "; ";
        if (p.chunkdepth != DepthOfHeight(p.pos.y)) why << "chunkdepth " << p.chunkdepth << " is stale; ";
        int32_t slot = SlotOfDepth(&game, p.chunkdepth);
        if (slot < 0 || slot >= RESIDENT_CHUNKS)
            why << "player's chunk " << p.chunkdepth << " is not resident; ";
        else if (game.world[slot]->depth != p.chunkdepth)
            why << "player's chunk " << p.chunkdepth << " still holds " << game.world[slot]->depth << "; ";
        if (WORLDSCALE < 1 || WORLDSCALE > MAX_ZOOM) why << "zoom " << WORLDSCALE << "; ";
        return why.str();
    }
};

TEST_F(SoakTest, LongSeededPlayKeepsTheWindowTheBodyAndTheOutputSound)
{
    const int frames = static_cast<int>(EnvNumber("DELVE_SOAK_FRAMES", SOAK_FRAMES));
    const uint32_t seed = static_cast<uint32_t>(EnvNumber("DELVE_SOAK_SEED", SOAK_SEED));
    rng.seed(seed);

    int32_t deepest = game.player->chunkdepth;
    int climbedOnSteps = 0;  // chunks, over every round's mouse-step climb
    int32_t phaseStartDepth = game.player->chunkdepth;
    Phase previous = Phase::WanderAgain;

    for (int frame = 0; frame < frames; frame++) {
        const Phase phase = PhaseAt(frame, frames);
        Entity& player = *game.player;

        // Input for this frame, and the test's own digging and lifting.
        RandomZoom();
        switch (phase) {
            case Phase::Wander:
            case Phase::WanderAgain:
                if (phase != previous) Carve(2, 5, 8);  // room to walk and jump
                RandomKeys(0.05);
                RandomMouse();
                break;
            case Phase::Fall:
                RandomKeys(0.03);
                Hold(3, true);  // S
                Carve(14, 2, 2);
                RandomMouse();
                break;
            case Phase::MouseSteps:
                RandomKeys(0.03);
                Hold(2, true);   // W: jump from every step
                Hold(3, false);  // S
                Carve(1, 9, 2);  // head room, and no step left inside the body
                StepUnderFeet();
                break;
            case Phase::Lifted:
                RandomKeys(0.03);
                Carve(2, 5, 2);
                player.vel.y = 2.0f;
                RandomMouse();
                break;
        }
        if (phase != previous) {
            if (previous == Phase::MouseSteps) climbedOnSteps += phaseStartDepth - player.chunkdepth;
            phaseStartDepth = player.chunkdepth;
            previous = phase;
        }
        Poll();

        const std::string fault = CheckedFrame();
        if (!fault.empty()) {
            FAIL() << "seed " << seed << ", frame " << frame << " (phase " << static_cast<int>(phase) << ", zoom "
                   << WORLDSCALE << ", player " << player.pos.x << ", " << player.pos.y << "): " << fault;
        }
        deepest = std::max(deepest, player.chunkdepth);
    }

    // The play went where it was meant to: a full run falls hundreds of chunks
    // and climbs back through several upward shifts.
    RecordProperty("deepest", deepest);
    RecordProperty("upward_shifts", upwardShifts);
    RecordProperty("stop_lines", stopLines);
    RecordProperty("climbed_on_steps", climbedOnSteps);
    if (frames >= ROUND_FRAMES) {
        EXPECT_GT(deepest, 101 + 200) << "seed " << seed;
        EXPECT_GE(upwardShifts, 3) << "seed " << seed;
        EXPECT_GE(climbedOnSteps, 8) << "seed " << seed << ": the mouse-placed steps carry the player up";
    }
}

// The fixed script: S held down a dug shaft for 1000 frames, then lifted about
// two tiles per tick for 700, with no other input.
TEST_F(SoakTest, FallingHundredsOfChunksAndClimbingBackKeepsTheWindowWhole)
{
    Hold(3, true);  // S
    int frame = 0;
    for (; frame < 1000; frame++) {
        CarveAroundPlayer(&game, -2, 2, 12, 2);
        Poll();
        ASSERT_EQ(CheckedFrame(), "") << "frame " << frame;
    }
    EXPECT_GT(game.player->chunkdepth, 101 + 200);
    EXPECT_EQ(written, "");  // falling writes nothing: no STOP, no shift lines

    Hold(3, false);
    const int32_t deepest = game.player->chunkdepth;
    for (; frame < 1700; frame++) {
        CarveAroundPlayer(&game, -2, 2, 2, 4);
        game.player->vel.y = 2.0f;
        Poll();
        ASSERT_EQ(CheckedFrame(), "") << "frame " << frame;
    }
    EXPECT_LT(game.player->chunkdepth, deepest - 30);
    EXPECT_GT(upwardShifts, 0);

    // Each recycled record held the depth 64 below its new one: the window was
    // whole and generated when it shifted.
    std::istringstream lines(written);
    int count = 0, newDepth, oldDepth;
    while (lines >> newDepth >> oldDepth) {
        EXPECT_EQ(oldDepth, newDepth + 64) << "line " << count;
        count++;
    }
    EXPECT_TRUE(lines.eof());
    EXPECT_EQ(count, 8 * upwardShifts);
}

}  // namespace
