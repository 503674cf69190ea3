// Where the 640x480 frame sits in windows of every kind of size, and the
// inverse the cursor goes through.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <utility>

#include "render/fit.h"

namespace {

constexpr int W = 640, H = 480;

void ExpectView(FrameView v, int x, int y, int w, int h)
{
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.w, w);
    EXPECT_EQ(v.h, h);
}

struct Case {
    int windowW, windowH;
    FrameView want;
};

TEST(FitFrame, LargestWholeMultipleCentredBetweenBars)
{
    const Case cases[] = {
        {640, 480, {0, 0, 640, 480}},          // the frame's own size
        {1280, 960, {0, 0, 1280, 960}},        // --scale 2
        {5120, 3840, {0, 0, 5120, 3840}},      // --scale 8
        {1920, 1080, {320, 60, 1280, 960}},    // a 1080p screen: 2x, bars on every side
        {3840, 2160, {640, 120, 2560, 1920}},  // a 4K screen: 4x
        {1279, 959, {319, 239, 640, 480}},     // a pixel short of 2x: 1x
        {1281, 961, {0, 0, 1280, 960}},        // a pixel over: 2x, the odd pixel on the right and bottom
        {2000, 960, {360, 0, 1280, 960}},      // wide: bars left and right only
        {640, 1500, {0, 510, 640, 480}},       // tall: bars above and below only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.windowW << "x" << c.windowH);
        ExpectView(FitFrame(c.windowW, c.windowH, W, H), c.want.x, c.want.y, c.want.w, c.want.h);
    }
}

TEST(FitFrame, SmallerWindowsShrinkTheFrameKeepingItsShape)
{
    ExpectView(FitFrame(320, 240, W, H), 0, 0, 320, 240);    // exactly half
    ExpectView(FitFrame(639, 480, W, H), 0, 0, 639, 479);    // one column short: width decides
    ExpectView(FitFrame(640, 479, W, H), 1, 0, 638, 479);    // one row short: height decides
    ExpectView(FitFrame(400, 479, W, H), 0, 89, 400, 300);   // narrow: bars above and below
    ExpectView(FitFrame(639, 200, W, H), 186, 0, 266, 200);  // low: bars left and right
    ExpectView(FitFrame(1, 1, W, H), 0, 0, 1, 1);            // never less than a pixel
    ExpectView(FitFrame(1000, 1, W, H), 499, 0, 1, 1);       // nor when the height decides
    ExpectView(FitFrame(3, 1000, W, H), 0, 499, 3, 2);
    for (int w : {0, -5})
        for (int h : {0, 480, -1}) ExpectView(FitFrame(w, h, W, H), 0, 0, 0, 0);  // minimised
    ExpectView(FitFrame(640, 0, W, H), 0, 0, 0, 0);
}

TEST(FitFrame, ShapeIsKeptWithinAPixelAndTheViewStaysInsideTheWindow)
{
    for (int w = 1; w <= 1300; w += 7) {
        for (int h = 1; h <= 1000; h += 11) {
            const FrameView v = FitFrame(w, h, W, H);
            ASSERT_TRUE(v.x >= 0 && v.y >= 0 && v.w >= 1 && v.h >= 1 && v.x + v.w <= w && v.y + v.h <= h)
                << w << "x" << h;
            // Centred: the bars on either side differ by at most a pixel.
            ASSERT_LE((w - v.w) - 2 * v.x, 1) << w << "x" << h;
            ASSERT_LE((h - v.h) - 2 * v.y, 1) << w << "x" << h;
            // One side fills the window, or the frame is a whole multiple.
            const bool whole = v.w % W == 0 && v.h % H == 0 && v.w / W == v.h / H;
            ASSERT_TRUE(whole || v.w == w || v.h == h) << w << "x" << h;
            // 4:3 within a pixel.
            ASSERT_LE(std::abs(v.w * 3 - v.h * 4), 4) << w << "x" << h;
        }
    }
}

TEST(WindowToFrame, EachWindowPixelMapsToTheFramePixelShownThere)
{
    int fx = 0, fy = 0;
    // 1x without bars: the identity, also beyond the window.
    const FrameView one = FitFrame(640, 480, W, H);
    for (int x : {-5, 0, 1, 639, 640, 700}) {
        WindowToFrame(one, W, H, x, x - 3, &fx, &fy);
        EXPECT_EQ(fx, x);
        EXPECT_EQ(fy, x - 3);
    }
    // 2x, bars 320 wide left and right and 60 high above and below.
    const FrameView two = FitFrame(1920, 1080, W, H);
    const struct {
        int wx, wy, fx, fy;
    } twos[] = {
        {320, 60, 0, 0},        {321, 61, 0, 0},        {322, 62, 1, 1},  // a 2x2 block per frame pixel
        {1599, 1019, 639, 479},                                           // the last pixel
        {319, 59, -1, -1},      {0, 0, -160, -30},                        // the bars left and above: outside
        {1600, 1020, 640, 480}, {1919, 1079, 799, 509},                   // right and below: outside
        {-3, -1, -162, -31},                                              // left of the window
    };
    for (const auto& t : twos) {
        WindowToFrame(two, W, H, t.wx, t.wy, &fx, &fy);
        EXPECT_EQ(fx, t.fx) << t.wx;
        EXPECT_EQ(fy, t.fy) << t.wy;
    }
    // 3x: three window pixels to a frame pixel.
    const FrameView three = FitFrame(1920, 1440, W, H);
    for (int wx = 0; wx < 30; ++wx) {
        WindowToFrame(three, W, H, wx, wx, &fx, &fy);
        EXPECT_EQ(fx, wx / 3);
    }
    // Shrunk to half: every other frame pixel is shown, and each window pixel
    // maps to the one shown there; the bars above and below map outside.
    const FrameView half = FitFrame(320, 300, W, H);
    ExpectView(half, 0, 30, 320, 240);
    WindowToFrame(half, W, H, 100, 30, &fx, &fy);
    EXPECT_EQ(fx, 200);
    EXPECT_EQ(fy, 0);
    WindowToFrame(half, W, H, 319, 269, &fx, &fy);
    EXPECT_EQ(fx, 638);
    EXPECT_EQ(fy, 478);
    WindowToFrame(half, W, H, 0, 29, &fx, &fy);
    EXPECT_LT(fy, 0);
    WindowToFrame(half, W, H, 0, 270, &fx, &fy);
    EXPECT_GE(fy, H);
    // Left of a frame shown at 1x in a wider window, each window pixel is one
    // frame pixel further out: exactly, rounded down, never one too many.
    const FrameView wide = FitFrame(840, 480, W, H);
    ExpectView(wide, 100, 0, 640, 480);
    for (const auto& [wx, want] : {std::pair{0, -100}, {99, -1}, {100, 0}, {739, 639}, {740, 640}}) {
        WindowToFrame(wide, W, H, wx, 0, &fx, &fy);
        EXPECT_EQ(fx, want) << wx;
    }
    // The farthest window pixels of a tiny view land far outside, on their
    // own side: the product of a window pixel and the frame size overflows no int.
    WindowToFrame(FrameView{0, 0, 1, 1}, W, H, INT_MAX, INT_MIN, &fx, &fy);
    EXPECT_GE(fx, W);
    EXPECT_LT(fy, 0);
    const int rightX = fx, topY = fy;
    WindowToFrame(FrameView{0, 0, 1, 1}, W, H, INT_MIN, INT_MAX, &fx, &fy);
    EXPECT_LT(fx, 0);
    EXPECT_GE(fy, H);
    EXPECT_EQ(fx, -rightX) << "as far out on either side";
    EXPECT_EQ(fy, -topY);
    // No view (a minimised window): passed on as it is.
    WindowToFrame(FrameView{0, 0, 0, 0}, W, H, 12, 34, &fx, &fy);
    EXPECT_EQ(fx, 12);
    EXPECT_EQ(fy, 34);
}

TEST(WindowToFrame, InsideTheViewEveryWindowPixelLandsInTheFrameInOrder)
{
    for (const auto& [w, h] : {std::pair{1280, 960}, {1000, 700}, {639, 479}, {333, 777}, {5000, 3000}}) {
        const FrameView v = FitFrame(w, h, W, H);
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        // Frame pixels skipped between neighbouring window pixels: none when
        // enlarged, fewer than the shrink factor when shrunk.
        const int step = std::max(1, (W + v.w - 1) / v.w);
        int lastX = -1, fx = 0, fy = 0;
        for (int wx = v.x; wx < v.x + v.w; ++wx) {
            WindowToFrame(v, W, H, wx, v.y, &fx, &fy);
            ASSERT_TRUE(fx >= 0 && fx < W && fx >= lastX && fx <= lastX + step) << wx;
            ASSERT_EQ(fy, 0);
            lastX = fx;
        }
        EXPECT_GE(lastX, W - step);
        WindowToFrame(v, W, H, v.x, v.y + v.h - 1, &fx, &fy);
        EXPECT_TRUE(fx == 0 && fy <= H - 1 && fy >= H - std::max(1, (H + v.h - 1) / v.h));
        WindowToFrame(v, W, H, v.x - 1, v.y - 1, &fx, &fy);
        EXPECT_TRUE(fx < 0 && fy < 0);
        WindowToFrame(v, W, H, v.x + v.w, v.y + v.h, &fx, &fy);
        EXPECT_TRUE(fx >= W && fy >= H);
    }
}

// A window kept on a screen: no larger than the usable area either way, and
// moved inside it when it is on that display; elsewhere only its size shrinks.
TEST(KeepOnScreen, AWindowIsNoLargerThanTheAreaAndLiesInsideIt)
{
    const ScreenRect area{100, 30, 1920, 1050};
    const struct {
        ScreenRect window;
        bool onIt;
        ScreenRect kept;
    } cases[] = {
        {{50, 0, 3000, 500}, true, {100, 30, 1920, 500}},      // too wide
        {{300, 40, 800, 2000}, true, {300, 30, 800, 1050}},    // too tall
        {{2000, 900, 640, 480}, true, {1380, 600, 640, 480}},  // past the far corner
        {{300, 40, 800, 600}, true, {300, 40, 800, 600}},      // inside already
        {{-5000, 9, 3000, 2000}, false, {-5000, 9, 1920, 1050}},
    };
    for (const auto& c : cases) {
        const ScreenRect got = KeepOnScreen(c.window, area, c.onIt);
        EXPECT_EQ((std::array<int, 4>{got.x, got.y, got.w, got.h}),
                  (std::array<int, 4>{c.kept.x, c.kept.y, c.kept.w, c.kept.h}))
            << c.window.x << "," << c.window.y << " " << c.window.w << "x" << c.window.h;
    }
}

}  // namespace
