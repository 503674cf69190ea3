// Heap use of a running game. After start-up a frame allocates nothing of its
// own: the one allocation a frame may make is a node of the generation queue,
// one for each chunk record that a shift of the window queues. Start-up's
// font check allocates a handful of times for the whole font.
//
// Global operator new is replaced here to count, which is why these tests
// live in an executable of their own.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <list>
#include <new>
#include <vector>

#include "entities/entity.h"
#include "harness/input_events.h"
#include "headless_game.h"
#include "render/font_check.h"
#include "render/frame.h"

namespace {

bool gCounting = false;
long gAllocations = 0;
constexpr int KEPT_SIZES = 64;
size_t gSizes[KEPT_SIZES];  // sizes of the first allocations counted

void* Allocate(std::size_t size, std::size_t alignment)
{
    if (gCounting) {
        if (gAllocations < KEPT_SIZES) gSizes[gAllocations] = size;
        gAllocations++;
    }
    if (size == 0) size = 1;
    void* p = alignment > alignof(std::max_align_t)
                  ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                  : std::malloc(size);
    if (!p) {
        std::fputs("alloc test: out of memory\n", stderr);
        std::abort();
    }
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size, 0); }
void* operator new[](std::size_t size) { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

using input_events::PushKey;
using input_events::PushMouseButton;
using input_events::PushMouseMove;

constexpr int PLAY_FRAMES = 1000;

// Bytes of one node of the generation queue, as the list allocates it.
size_t QueueNodeSize()
{
    std::list<Chunk*> probe;
    gAllocations = 0;
    gCounting = true;
    probe.push_back(nullptr);
    gCounting = false;
    return gAllocations == 1 ? gSizes[0] : 0;
}

struct AllocTest : HeadlessGame {
    uint32_t rng = 12345;  // a tiny generator: the play itself must not allocate
    int zoomGoal = 16;     // the zoom keys walk toward it

    void SetUp() override
    {
        HeadlessGame::SetUp();
        std::cout.setstate(std::ios::badbit);  // the debug lines go nowhere, and allocate nothing
        // Start-up's tail: the first frame opens the caption's font and renders it once.
        RunFrame(&game, &loop);
    }
    void TearDown() override
    {
        gCounting = false;
        std::cout.clear();
        HeadlessGame::TearDown();
    }

    uint32_t Next()
    {
        rng = rng * 1664525u + 1013904223u;
        return rng >> 8;
    }
    bool Chance(int percent) { return static_cast<int>(Next() % 100) < percent; }

    // Random keys, zoom presses within 1 to 48, the cursor in and out of the
    // window with the buttons; the S key and the lift as the caller says.
    void RandomInput(bool allowS)
    {
        static constexpr int keys[] = {KEY_A, KEY_D, KEY_W, KEY_S, KEY_V};
        for (int k : keys)
            if (Chance(5) && (k != KEY_S || allowS)) PushKey(k, Chance(50));
        if (Chance(2)) zoomGoal = static_cast<int>(Next() % 48) + 1;
        if (WORLDSCALE != zoomGoal && Chance(50)) {
            int key = WORLDSCALE < zoomGoal ? KEY_KP_ADD : KEY_KP_SUBTRACT;
            PushKey(key, true);
            PushKey(key, false);
        }
        if (Chance(5)) PushMouseMove(static_cast<int>(Next() % 2000) - 700, static_cast<int>(Next() % 1600) - 560);
        if (Chance(3)) PushMouseButton(MOUSE_BUTTON_LEFT, Chance(50));
        if (Chance(3)) PushMouseButton(MOUSE_BUTTON_RIGHT, Chance(50));
        Poll();
    }

    // Empties a shaft eight columns wide around the player.
    void Carve(int below, int above) { CarveAroundPlayer(&game, -3, 4, below, above); }

    // One frame, counted; returns its allocations.
    long CountedFrame()
    {
        gAllocations = 0;
        gCounting = true;
        RunFrame(&game, &loop);
        gCounting = false;
        return gAllocations;
    }
};

TEST_F(AllocTest, PlayWithoutAShiftAllocatesNothing)
{
    // Walking, jumping and digging about in a room around the start: the
    // player never gets near either end of the window.
    Carve(1, 6);
    long total = 0;
    int firstFrame = -1;
    for (int frame = 0; frame < PLAY_FRAMES; frame++) {
        RandomInput(false);
        int32_t lowest = game.LowestChunk;
        long n = CountedFrame();
        ASSERT_EQ(game.LowestChunk, lowest) << "frame " << frame << ": the play was meant to stay put";
        if (n && firstFrame < 0) firstFrame = frame;
        total += n;
    }
    EXPECT_EQ(total, 0) << "first at frame " << firstFrame << ", " << gSizes[0] << " bytes";
}

TEST_F(AllocTest, EachShiftAllocatesOneQueueNodePerQueuedRecord)
{
    const size_t node = QueueNodeSize();
    ASSERT_GT(node, 0u);
    long total = 0, queued = 0;
    int downward = 0, upward = 0;
    for (int frame = 0; frame < PLAY_FRAMES; frame++) {
        // Falling down a shaft, then lifted back up past the window's top.
        bool falling = frame < PLAY_FRAMES * 2 / 5;
        if (falling) {
            Carve(14, 2);
            PushKey(KEY_S, true);
        } else {
            Carve(2, 5);
            PushKey(KEY_S, false);
            game.player->vel.y = 2.0f;
        }
        RandomInput(false);
        int32_t lowest = game.LowestChunk;
        size_t waiting = game.UnloadedChunks.size();
        long n = CountedFrame();

        // A shift moves LowestChunk by 8 and queues 8 records; one leaves the
        // queue each frame while it is not empty.
        bool shifted = game.LowestChunk != lowest;
        long added = static_cast<long>(game.UnloadedChunks.size()) - static_cast<long>(waiting) +
                     (waiting > 0 || shifted ? 1 : 0);
        if (shifted) (game.LowestChunk > lowest ? downward : upward)++;
        ASSERT_EQ(added, shifted ? 8 : 0) << "frame " << frame;
        ASSERT_EQ(n, added) << "frame " << frame << (shifted ? ": a shift" : ": no shift");
        for (long i = 0; i < std::min<long>(n, KEPT_SIZES); i++) ASSERT_EQ(gSizes[i], node) << "frame " << frame;
        total += n;
        queued += added;
    }
    EXPECT_GE(downward, 10);
    EXPECT_GE(upward, 2);
    EXPECT_EQ(total, queued);
    RecordProperty("queue_nodes", total);
    RecordProperty("downward_shifts", downward);
    RecordProperty("upward_shifts", upward);
}

// The font is checked at start-up, outline by outline (the shipped font has
// thousands): a few allocations for the whole file, not one or more for each.
// In the browser a start-up that called the allocator thousands of times had
// it optimised in the background during the first frames.
TEST(AllocFontCheck, TheShippedFontIsCheckedWithAHandfulOfAllocations)
{
    std::ifstream in(render::FindDataFile("resources/DejaVuSans.ttf"), std::ios::binary);
    const std::vector<unsigned char> font{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(font.size(), 100000u);
    gAllocations = 0;
    gCounting = true;
    const std::string why = CheckFontFile(font);
    gCounting = false;
    EXPECT_EQ(why, "");
    EXPECT_LE(gAllocations, 40) << "allocations while checking the font";
    RecordProperty("allocations", static_cast<int>(gAllocations));
}

}  // namespace
