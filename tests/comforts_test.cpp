// The pause and the controls panel, headless: a paused game changes nothing
// and shows its last picture again; the panel is drawn only while it is on,
// and leaves the exact picture behind when it goes; a demo recorded with
// pauses plays back the same.
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>

#include "entities/entity.h"
#include "harness/input_events.h"
#include "headless_game.h"
#include "shell/comforts.h"
#include "shell/demo.h"
#include "shell/digest.h"
#include "shell/options.h"

namespace {

using input_events::PushKey;
using input_events::PushMouseButton;
using input_events::PushMouseMove;

// A key pressed and let go between two polls.
void Tap(int key)
{
    input_events::PushKeyScancode(key == KEY_P ? SDL_SCANCODE_P : SDL_SCANCODE_F1, true);
    input_events::PushKeyScancode(key == KEY_P ? SDL_SCANCODE_P : SDL_SCANCODE_F1, false);
}

int Luma(Color c) { return c.r + c.g + c.b; }

struct ComfortsTest : HeadlessGame {
    Comforts comforts;

    void SetUp() override
    {
        HeadlessGame::SetUp();
        // Room to walk, so that a tick would show, and in view.
        CarveAroundPlayer(&game, -4, 4, 2, 4);
        SettleCameraOnPlayer();
    }
    // Frames as main runs them, with `comforts`.
    void Play(int frames)
    {
        for (int i = 0; i < frames; i++) RunFrame(&game, &loop, &comforts);
    }
    // Taps a key and runs main's check before a frame: true when it was a paused one.
    bool TapThenCheck(int key)
    {
        Tap(key);
        Poll();
        return PausedFrame(&comforts);
    }
    // Pixels of the panel's place darker in `a` than in `b`.
    static int Darkened(const Screenshot& a, const Screenshot& b)
    {
        int n = 0;
        for (int y = 48; y < 472; y++)
            for (int x = 20; x < 620; x++) n += Luma(a.At(x, y)) < Luma(b.At(x, y));
        return n;
    }
    // Every pixel of two pictures alike; the first that differs otherwise.
    static std::string Difference(const Screenshot& a, const Screenshot& b)
    {
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++)
                if (!SameRgb(a.At(x, y), b.At(x, y)))
                    return "(" + std::to_string(x) + ", " + std::to_string(y) + "): " + Rgb(a.At(x, y)) + " vs " +
                           Rgb(b.At(x, y));
        return "";
    }
};

TEST_F(ComfortsTest, PausedFramesChangeNothingAndPlayGoesOnWhereItStopped)
{
    PushKey(KEY_D, true);
    Poll();
    Play(5);
    const uint64_t before = StateDigest(&game, &loop);
    const Vector2 pos = game.player->pos;
    EXPECT_TRUE(TapThenCheck(KEY_P));
    DisableEventWaiting();  // no need to spare the processor here: 100 polls at once
    std::string out;
    testing::internal::CaptureStdout();
    PushKey(KEY_V, true);  // not even the debug line
    for (int i = 0; i < 100; i++) {
        PushMouseMove(330, 260);
        PushMouseButton(MOUSE_BUTTON_RIGHT, i % 2 == 0);
        Poll();
        ASSERT_TRUE(PausedFrame(&comforts)) << "frame " << i;
    }
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "");
    EXPECT_EQ(StateDigest(&game, &loop), before);
    EXPECT_EQ(game.player->pos.x, pos.x);
    PushKey(KEY_V, false);
    PushMouseButton(MOUSE_BUTTON_RIGHT, false);

    EXPECT_FALSE(TapThenCheck(KEY_P));
    Play(1);
    EXPECT_GT(game.player->pos.x, pos.x) << "D still held: the walk goes on";
}

TEST_F(ComfortsTest, APausedFrameIsTheLastPictureWithALineAndThePanelComesAndGoesExactly)
{
    Play(8);
    const Screenshot playing("playing.png");
    ASSERT_TRUE(TapThenCheck(KEY_P));
    const Screenshot paused("paused.png");
    // Below the band across the top, the last frame, exactly.
    int bright = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x += 3) {
            if (y >= 40)
                ASSERT_TRUE(SameRgb(paused.At(x, y), playing.At(x, y))) << x << ", " << y;
            else if (Luma(paused.At(x, y)) > 600)
                bright++;
        }
    EXPECT_GT(bright, 30) << "the band carries light text";

    EXPECT_TRUE(TapThenCheck(KEY_F1));
    const Screenshot panel("panel.png");
    // The panel darkens what it covers and carries light text; the edge stays.
    EXPECT_GT(Darkened(panel, playing), 10000);
    EXPECT_TRUE(SameRgb(panel.At(5, 100), playing.At(5, 100)));
    int text = 0;
    for (int y = 80; y < 240; y++)
        for (int x = 36; x < 400; x++) text += Luma(panel.At(x, y)) > 600;
    EXPECT_GT(text, 200);

    EXPECT_TRUE(TapThenCheck(KEY_F1));
    EXPECT_EQ(Difference(Screenshot("panel-gone.png"), paused), "");
    EXPECT_FALSE(TapThenCheck(KEY_P));
}

TEST_F(ComfortsTest, WithThePanelOffAFrameIsPixelForPixelAGameWithoutIt)
{
    Play(10);
    const Screenshot with("with.png");
    StopHeadless(&run);
    run = HeadlessRun{};
    ASSERT_TRUE(StartHeadless(&run));
    CarveAroundPlayer(&game, -4, 4, 2, 4);
    SettleCameraOnPlayer();
    for (int i = 0; i < 10; i++) RunFrame(&game, &loop);
    EXPECT_EQ(Difference(with, Screenshot("without.png")), "");
}

TEST_F(ComfortsTest, ThePanelWhilePlayingCoversOnlyItsPlaceAndPausingKeepsThePictureUnderIt)
{
    EXPECT_FALSE(TapThenCheck(KEY_F1));
    Play(3);
    const Screenshot over("over.png");
    // The picture under the panel was kept: the pause shows it.
    ASSERT_TRUE(TapThenCheck(KEY_P));
    ASSERT_TRUE(TapThenCheck(KEY_F1));
    const Screenshot under("under.png");
    for (int y = 0; y < 480; y += 2) {
        if (y < 40) continue;  // the paused line
        EXPECT_TRUE(SameRgb(over.At(10, y), under.At(10, y))) << y;
        EXPECT_TRUE(SameRgb(over.At(630, y), under.At(630, y))) << y;
    }
    EXPECT_GT(Darkened(over, under), 10000);
}

struct PauseDemoTest : ComfortsTest {
    std::string path = testing::TempDir() + "pauses.dem";
    void SetUp() override
    {
        ComfortsTest::SetUp();
        SetTargetFPS(0);
        std::remove(path.c_str());
    }
    void TearDown() override
    {
        SetInputPlayback(false);
        ComfortsTest::TearDown();
        std::remove(path.c_str());
    }
    // main's loop over the demo the options name, with `live` pushing events
    // before each pass; a pass that pauses stops sparing the processor, for speed.
    int Run(const Options& options, const std::function<bool(int)>& live)
    {
        Demo demo;
        std::string error;
        if (!OpenDemo(&demo, options, &error)) {
            ADD_FAILURE() << error;
            return -1;
        }
        BeginDemo(&demo);
        testing::internal::CaptureStdout();
        for (int pass = 0; live(pass); pass++) {
            Poll();
            if (WindowShouldClose()) break;
            const bool wasPaused = comforts.paused;
            if (PausedFrame(&comforts)) {
                if (!wasPaused) DemoPaused(&demo);
                DisableEventWaiting();
                continue;
            }
            if (!DemoBeforeFrame(&demo, &game, &loop)) break;
            RunFrame(&game, &loop, &comforts);
            DemoAfterFrame(&demo, &game, &loop);
        }
        testing::internal::GetCapturedStdout();
        return FinishDemo(&demo, &game, &loop);
    }
    off_t FileSize()
    {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
    }
};

TEST_F(PauseDemoTest, ARecordingWithPausesPlaysBackTheSameAndPausesAreNotFrames)
{
    Options record;
    record.record = path;
    // Walk right, pause at pass 10 and hold A and dig during the pause, go on
    // at pass 30; pause again at 50, let go of everything, go on at 60.
    off_t beforePause = 0, atPause = 0;
    const int recorded = Run(record, [&](int pass) {
        if (pass == 0) PushKey(KEY_D, true);
        if (pass == 10 || pass == 30 || pass == 50 || pass == 60) Tap(KEY_P);
        if (pass == 10) beforePause = FileSize();
        if (pass == 11) atPause = FileSize();
        if (pass == 15) PushKey(KEY_A, true);
        if (pass == 20) PushMouseMove(340, 260), PushMouseButton(MOUSE_BUTTON_RIGHT, true);
        if (pass == 55) PushKey(KEY_A, false), PushKey(KEY_D, false), PushMouseButton(MOUSE_BUTTON_RIGHT, false);
        return pass < 80;
    });
    ASSERT_EQ(recorded, 0);
    // 80 passes, 30 of them paused.
    const uint64_t digest = StateDigest(&game, &loop);
    EXPECT_GT(atPause, beforePause) << "the pause wrote the frames pending";
    EXPECT_EQ(atPause, 12 + 10 * 22) << "ten whole frame records after the header";

    StopHeadless(&run);
    run = HeadlessRun{};
    comforts = Comforts{};
    ASSERT_TRUE(StartHeadless(&run));
    CarveAroundPlayer(&game, -4, 4, 2, 4);
    SettleCameraOnPlayer();
    Options play;
    play.play = path;
    // Played back with a pause of its own: P is not in the demo, and still works.
    ASSERT_EQ(Run(play,
                  [&](int pass) {
                      if (pass == 25 || pass == 40) Tap(KEY_P);
                      return pass < 200;
                  }),
              0);
    EXPECT_EQ(StateDigest(&game, &loop), digest);
}

}  // namespace
