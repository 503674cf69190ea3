// Whole frames of the game with the real tile image, pixel for pixel against
// the pictures in tests/golden/: at rest at three zooms, after a dig, while
// falling, with the controls' panel, paused, and with the pad's cursor. Any
// change to what a frame shows fails here, one pixel is enough; the failing
// frame and a picture of the difference are written beside the reference.
// When a change of the picture is meant, scripts/make-golden.sh retakes them
// (see the README). The browser build's renderer tests check the same files.
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "backends/memory/memory_backend.h"
#include "entities/entity.h"
#include "harness/headless.h"
#include "platform/backend.h"
#include "shell/session.h"

#ifndef DELVE_GOLDEN_DIR
#define DELVE_GOLDEN_DIR "tests/golden"
#endif

namespace {

// The frame as RGB bytes, row by row (the backend's words are 0xAARRGGBB).
std::vector<unsigned char> ShownRgb()
{
    std::vector<unsigned char> rgb;
    for (uint32_t p : MemoryShownFrame()) {
        rgb.push_back(static_cast<unsigned char>(p >> 16));
        rgb.push_back(static_cast<unsigned char>(p >> 8));
        rgb.push_back(static_cast<unsigned char>(p));
    }
    return rgb;
}

bool WritePng(const std::string& path, const std::vector<unsigned char>& rgb, int w, int h)
{
    std::vector<unsigned char> png;
    const auto append = [](void* to, void* data, int size) {
        auto* bytes = static_cast<std::vector<unsigned char>*>(to);
        bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    };
    if (!stbi_write_png_to_func(append, &png, w, h, 3, rgb.data(), w * 3)) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

// A PNG file's pixels as RGB bytes; empty when it cannot be read.
std::vector<unsigned char> ReadRgb(const std::string& path, int* w, int* h)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    int channels = 0;
    unsigned char* p =
        png.empty() ? nullptr : stbi_load_from_memory(png.data(), static_cast<int>(png.size()), w, h, &channels, 3);
    std::vector<unsigned char> rgb;
    if (p) rgb.assign(p, p + 3 * static_cast<size_t>(*w) * static_cast<size_t>(*h));
    stbi_image_free(p);
    return rgb;
}

struct GoldenFrame : testing::Test {
    Session session;  // no demo
    bool started = false;

    // Starts the game as main does, unpaced, at `zoom` pixels per tile.
    void Start(int zoom)
    {
        WORLDSCALE = zoom;
        started = StartGame(&session.game, &session.loop);
        ASSERT_TRUE(started);
        SetTargetFPS(0);
        SettleCameraOnPlayer(&session.game);
    }
    void TearDown() override
    {
        MemorySetPads(PadInput{});
        if (started) ShutdownGame(&session.game);
        WORLDSCALE = START_ZOOM;
    }
    // Frames as the game's own loop steps them: a paused frame runs no tick.
    void Step(int frames)
    {
        for (int i = 0; i < frames; i++) ASSERT_TRUE(StepFrame(&session));
    }
    // A key pressed for one frame and let go in the next.
    void Tap(int key)
    {
        MemoryQueueEvent([key] { LayerKey(key, true, false, false); });
        Step(1);
        MemoryQueueEvent([key] { LayerKey(key, false, false, false); });
        Step(1);
    }

    void ExpectGolden(const std::string& name)
    {
        const int w = 640, h = 480;
        const std::vector<unsigned char> shown = ShownRgb();
        ASSERT_EQ(shown.size(), static_cast<size_t>(w * h * 3)) << "no whole frame was shown";
        const std::string reference = std::string(DELVE_GOLDEN_DIR) + "/" + name + ".png";
        if (std::getenv("DELVE_GOLDEN_UPDATE")) {
            ASSERT_TRUE(WritePng(reference, shown, w, h)) << "cannot write " << reference;
            std::fprintf(stderr, "wrote %s\n", reference.c_str());
            return;
        }
        int rw = 0, rh = 0;
        const std::vector<unsigned char> want = ReadRgb(reference, &rw, &rh);
        ASSERT_FALSE(want.empty()) << "no reference " << reference << " (scripts/make-golden.sh takes it)";
        ASSERT_EQ(rw, w);
        ASSERT_EQ(rh, h);
        // Differing pixels red on the frame dimmed to a third.
        std::vector<unsigned char> diff(shown.size());
        int differing = 0, firstX = -1, firstY = -1;
        for (int i = 0; i < w * h; i++) {
            const bool same = shown[3 * i] == want[3 * i] && shown[3 * i + 1] == want[3 * i + 1] &&
                              shown[3 * i + 2] == want[3 * i + 2];
            for (int c = 0; c < 3; c++)
                diff[3 * i + c] = same ? static_cast<unsigned char>(shown[3 * i + c] / 3) : (c == 0 ? 255 : 0);
            if (!same && differing++ == 0) firstX = i % w, firstY = i / w;
        }
        if (differing) {
            const std::string base = std::string(DELVE_GOLDEN_DIR) + "/" + name;
            WritePng(base + ".actual.png", shown, w, h);
            WritePng(base + ".diff.png", diff, w, h);
            ADD_FAILURE() << differing << " pixels differ from " << reference << ", the first at (" << firstX << ", "
                          << firstY << "); see " << base << ".actual.png and " << base << ".diff.png";
        }
    }
};

TEST_F(GoldenFrame, AtRestAtZoom16)
{
    Start(16);
    Step(40);
    ExpectGolden("rest-zoom16");
}

TEST_F(GoldenFrame, AtRestAtZoom4)
{
    Start(4);
    Step(40);
    ExpectGolden("rest-zoom4");
}

TEST_F(GoldenFrame, AtRestAtZoom1)
{
    Start(1);
    Step(40);
    ExpectGolden("rest-zoom1");
}

TEST_F(GoldenFrame, AfterADig)
{
    Start(16);
    Step(30);
    // The right button held while the cursor goes down through the rock
    // under and beside the player's feet.
    MemoryQueueEvent([] { LayerMouseButton(MOUSE_BUTTON_RIGHT, true, 300, 280); });
    Step(1);
    for (int y = 280; y <= 420; y += 8) {
        MemoryQueueEvent([y] { LayerCursor(300 - (y - 280) / 4, y); });
        Step(1);
    }
    MemoryQueueEvent([] { LayerMouseButton(MOUSE_BUTTON_RIGHT, false, 265, 420); });
    Step(10);
    ExpectGolden("dig");
}

TEST_F(GoldenFrame, WhileFalling)
{
    Start(16);
    Step(10);
    // A shaft five tiles wide dug afresh every frame, S held.
    MemoryQueueEvent([] { LayerKey(KEY_S, true, false, false); });
    for (int i = 0; i < 45; i++) {
        CarveAroundPlayer(&session.game, -2, 2, 40, 3);
        Step(1);
    }
    ExpectGolden("falling");
}

TEST_F(GoldenFrame, ControlsPanel)
{
    Start(16);
    Step(20);
    Tap(KEY_F1);
    Step(3);
    ExpectGolden("panel");
}

TEST_F(GoldenFrame, PausedBand)
{
    Start(16);
    Step(20);
    Tap(KEY_P);
    Step(3);
    ExpectGolden("paused");
}

TEST_F(GoldenFrame, PadCursor)
{
    Start(16);
    Step(20);
    // The mouse left in the middle, then the right stick pushed right and
    // down for some frames, and let go.
    MemoryQueueEvent([] { LayerCursor(320, 200); });
    Step(1);
    PadInput pads{};
    pads.pads = 1;
    pads.rightX = 0.5f;
    pads.rightY = 0.25f;
    MemorySetPads(pads);
    Step(12);
    pads.rightX = pads.rightY = 0.0f;
    MemorySetPads(pads);
    Step(2);
    ExpectGolden("pad-cursor");
}

// The picture a pause keeps is the latest one each time: after the panel was
// shown and hidden again, and on a second pause after play went on. Below
// the paused band, the paused frame is the frame shown last.
TEST_F(GoldenFrame, EachPauseShowsTheLatestPicture)
{
    Start(16);
    Step(10);
    Tap(KEY_F1);
    Step(3);
    Tap(KEY_F1);
    for (int pause = 0; pause < 2; ++pause) {
        SCOPED_TRACE(pause == 0 ? "after the panel" : "the second pause");
        // Zoom out a step, so the picture moves on from the one kept before.
        const std::vector<unsigned char> before = ShownRgb();
        Tap(KEY_MINUS);
        Step(2);
        ASSERT_FALSE(std::equal(before.begin() + 40 * 640 * 3, before.end(), ShownRgb().begin() + 40 * 640 * 3));
        MemoryQueueEvent([] { LayerKey(KEY_P, true, false, false); });
        Step(1);
        const std::vector<unsigned char> last = ShownRgb();
        MemoryQueueEvent([] { LayerKey(KEY_P, false, false, false); });
        Step(2);
        ASSERT_TRUE(session.comforts.paused);
        const std::vector<unsigned char> paused = ShownRgb();
        ASSERT_EQ(paused.size(), last.size());
        const size_t band = 40 * 640 * 3;
        EXPECT_TRUE(std::equal(paused.begin() + band, paused.end(), last.begin() + band));
        Tap(KEY_P);
        ASSERT_FALSE(session.comforts.paused);
    }
}

}  // namespace
