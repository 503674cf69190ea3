// Demos in the game's own process: a scripted session (digging, walking,
// jumping, V, zoom, a fall through a shift of the window) recorded and played
// back frame for frame; the state digest's coverage.
//
// DELVE_WRITE_DEMO=<folder> also leaves the recorded session there as
// descent.dem, with the standard output it wrote (descent.out) and its final
// state (descent.state): how the demo under tests/demos/ is made.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>

#include <unistd.h>

#include "entities/entity.h"
#include "harness/input_events.h"
#include "headless_game.h"
#include "presentation/camera.h"
#include "shell/demo.h"
#include "shell/demo_file.h"
#include "shell/digest.h"
#include "shell/options.h"

namespace {

namespace fs = std::filesystem;
using input_events::PushKey;
using input_events::PushMouseButton;
using input_events::PushMouseMove;

// A player at the keyboard, as a script: what it does depends on the frame and
// on what it sees, like a person's play would.
struct ScriptedPlayer {
    GameInstance* game;
    bool held[512] = {};
    bool buttonHeld[2] = {};
    int shaftEnd = -1;  // frame at which the fall through the shaft was over

    void Hold(int key, bool down)
    {
        if (held[key] == down) return;
        PushKey(key, down);
        held[key] = down;
    }
    void Button(int button, bool down)
    {
        if (buttonHeld[button] == down) return;
        PushMouseButton(button, down);
        buttonHeld[button] = down;
    }
    // A key pressed and let go between two frames.
    static void Tap(int key)
    {
        PushKey(key, true);
        PushKey(key, false);
    }
    // Puts the cursor over a tile, where the camera will be once this frame's tick has panned.
    void PointAt(int column, int top)
    {
        Vector2 camera = PanCamera(game->CameraPosition, game->player->pos, 0.4f, game->CameraCenterOffset);
        float s = static_cast<float>(WORLDSCALE);
        Vector2 worldPixels{(column + 0.5f) * s, (top - 0.5f) * s};
        Vector2 screen{worldPixels.x - camera.x, static_cast<float>(game->WindowHeight) - (worldPixels.y - camera.y)};
        PushMouseMove(static_cast<int>(std::floor(screen.x)), static_cast<int>(std::floor(screen.y)));
    }
    bool Solid(int column, int top)
    {
        Tile* t = TileWithTopEdge(game, column, top);
        return t && t->v != 0;
    }
    // The tiles the body stands in, as the sweep sees them: columns and top
    // edges from its corner to 0.1 short of its far sides.
    int LowestTop() const
    {
        const Entity* p = game->player;
        return static_cast<int>(std::ceil(p->pos.y - (p->size.y - 0.1f)));
    }
    int LeftColumn() const { return static_cast<int>(game->player->pos.x); }
    int RightColumn() const { return static_cast<int>(game->player->pos.x + game->player->size.x - 0.1f); }
    // Aims at the nearest solid tile under the player's feet; false when none is near.
    bool AimBelow()
    {
        for (int top = LowestTop() - 1; top > LowestTop() - 6; top--)
            for (int c = LeftColumn(); c <= RightColumn(); c++)
                if (Solid(c, top)) {
                    PointAt(c, top);
                    return true;
                }
        return false;
    }
    // Aims at the solid tiles of a room around the player, one at a time.
    bool AimRoom()
    {
        for (int top = LowestTop() + 3; top >= LowestTop(); top--)
            for (int c = LeftColumn() - 3; c <= RightColumn() + 3; c++)
                if (Solid(c, top)) {
                    PointAt(c, top);
                    return true;
                }
        return false;
    }

    // Pushes the input of one frame; false once the session is over.
    bool Step(int frame)
    {
        Hold(KEY_V, (frame >= 5 && frame < 9) || (shaftEnd >= 0 && frame == shaftEnd + 20));
        if (frame < 30) return true;  // the camera glides onto the player
        if (frame < 70) {             // dig a room
            Button(MOUSE_BUTTON_RIGHT, AimRoom());
            return true;
        }
        if (frame < 110) {  // walk and jump in it
            Button(MOUSE_BUTTON_RIGHT, false);
            Hold(KEY_D, frame >= 70 && frame < 78);
            Hold(KEY_A, frame >= 82 && frame < 92);
            Hold(KEY_W, frame >= 95 && frame < 98);
            if (frame == 100 || frame == 102 || frame == 104) Tap(KEY_KP_SUBTRACT);
            if (frame == 108) Tap(KEY_KP_ADD);
            return true;
        }
        if (shaftEnd < 0) {  // dig down and fall, pushing, until the window has moved
            Hold(KEY_S, true);
            Button(MOUSE_BUTTON_RIGHT, AimBelow());
            if (game->LowestChunk > 115 || frame > 600) shaftEnd = frame;
            return true;
        }
        // Land, walk a little, place a tile with the left button, and stop.
        Hold(KEY_S, false);
        Button(MOUSE_BUTTON_RIGHT, false);
        Hold(KEY_D, frame >= shaftEnd + 30 && frame < shaftEnd + 40);
        if (frame == shaftEnd + 45) {
            PointAt(static_cast<int>(game->player->pos.x) + 2, static_cast<int>(std::ceil(game->player->pos.y)));
            Button(MOUSE_BUTTON_LEFT, true);
        }
        if (frame == shaftEnd + 47) Button(MOUSE_BUTTON_LEFT, false);
        return frame < shaftEnd + 60;
    }
};

struct DemoTest : HeadlessGame {
    // One file per process: ctest runs the tests of this suite side by side.
    std::string path = testing::TempDir() + "delve_demo_test_" + std::to_string(getpid()) + ".dem";

    void SetUp() override
    {
        HeadlessGame::SetUp();
        std::remove(path.c_str());
    }
    void TearDown() override
    {
        SetInputPlayback(false);
        HeadlessGame::TearDown();
        std::remove(path.c_str());
    }
    // A fresh game, as a new run of the program starts it.
    void Restart()
    {
        ShutdownGame(&game);
        WORLDSCALE = 16;
        game = GameInstance{};
        loop = FrameLoop{};
        ASSERT_TRUE(StartGame(&game, &loop));
        SetTargetFPS(0);
    }
    // Runs the demo given by the options as main does, with `live` pushing
    // events before each frame; returns what the frames wrote to standard output.
    std::string Run(const Options& options, int* status, const std::function<bool(int)>& live)
    {
        Demo demo;
        std::string error;
        *status = -1;
        if (!OpenDemo(&demo, options, &error)) {
            ADD_FAILURE() << error;
            return "";
        }
        BeginDemo(&demo);
        testing::internal::CaptureStdout();
        for (int frame = 0; live(frame); frame++) {
            Poll();
            if (WindowShouldClose() || !DemoBeforeFrame(&demo, &game, &loop)) break;
            RunFrame(&game, &loop);
            DemoAfterFrame(&demo, &game, &loop);
        }
        std::string out = testing::internal::GetCapturedStdout();
        *status = FinishDemo(&demo, &game, &loop);
        return out;
    }
};

TEST_F(DemoTest, AScriptedSessionPlaysBackFrameForFrameWhateverTheLiveInputDoes)
{
    ScriptedPlayer player{&game};
    Options record;
    record.record = path;
    int status = -1;
    const std::string recordedOut = Run(record, &status, [&](int frame) { return player.Step(frame); });
    ASSERT_EQ(status, 0);
    const uint64_t recorded = StateDigest(&game, &loop);
    // The session covered what it is meant to.
    EXPECT_GT(game.LowestChunk, 115) << "the window shifted while falling";
    EXPECT_NE(recordedOut.find("stopping!!\n"), std::string::npos);
    EXPECT_EQ(WORLDSCALE, 14);

    if (const char* folder = std::getenv("DELVE_WRITE_DEMO")) {
        fs::copy_file(path, fs::path(folder) / "descent.dem", fs::copy_options::overwrite_existing);
        std::ofstream(fs::path(folder) / "descent.out", std::ios::binary) << recordedOut;
        char text[20];
        std::snprintf(text, sizeof text, "%016llx\n", static_cast<unsigned long long>(recorded));
        std::ofstream(fs::path(folder) / "descent.state") << text;
    }

    // Played back with the live keys and mouse doing something else entirely.
    Restart();
    Options play;
    play.play = path;
    const std::string playedOut = Run(play, &status, [&](int frame) {
        PushKey(frame % 2 ? KEY_A : KEY_D, true);
        PushKey(KEY_KP_ADD, frame % 3 == 0);
        PushMouseMove(frame % 640, 200);
        PushMouseButton(frame % 5 ? MOUSE_BUTTON_LEFT : MOUSE_BUTTON_RIGHT, true);
        return true;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(playedOut, recordedOut);
    EXPECT_EQ(StateDigest(&game, &loop), recorded);
}

TEST_F(DemoTest, EveryKeyOfTheFrameRecordIsCapturedHeldAndPressed)
{
    // The physical keys behind INPUT_FRAME_KEYS, in its order.
    const SDL_Scancode scancodes[] = {SDL_SCANCODE_A,       SDL_SCANCODE_D,     SDL_SCANCODE_W,
                                      SDL_SCANCODE_S,       SDL_SCANCODE_V,     SDL_SCANCODE_KP_MINUS,
                                      SDL_SCANCODE_KP_PLUS, SDL_SCANCODE_MINUS, SDL_SCANCODE_EQUALS};
    static_assert(std::size(scancodes) == INPUT_FRAME_KEY_COUNT);
    for (int i = 0; i < INPUT_FRAME_KEY_COUNT; i++) {
        SCOPED_TRACE(testing::Message() << "key " << INPUT_FRAME_KEYS[i]);
        input_events::PushKeyScancode(scancodes[i], true);
        Poll();
        InputFrame f = GetInputFrame();
        EXPECT_EQ(f.keysDown, 1u << i);
        EXPECT_EQ(f.keysPressed, 1u << i);
        Poll();
        EXPECT_EQ(GetInputFrame().keysPressed, 0u);
        input_events::PushKeyScancode(scancodes[i], false);
        Poll();
        EXPECT_EQ(GetInputFrame().keysDown, 0u);
    }
    PushMouseMove(123, 45);
    PushMouseButton(MOUSE_BUTTON_RIGHT, true);
    Poll();
    InputFrame f = GetInputFrame();
    EXPECT_EQ(f.buttonsDown, 1u << MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(f.mouse.x, 123.0f);
    EXPECT_EQ(f.mouse.y, 45.0f);
    EXPECT_EQ(f.wheel, 0.0f);
}

TEST_F(DemoTest, DuringPlaybackTheQueriesAnswerFromThePlayedFrameAndOnlyQuittingGetsThrough)
{
    PushKey(KEY_D, true);
    PushMouseButton(MOUSE_BUTTON_RIGHT, true);
    SetInputPlayback(true);
    Poll();
    InputFrame played{};
    played.keysDown = 1u << 2;     // W
    played.keysPressed = 1u << 6;  // keypad +
    played.buttonsDown = 1u << MOUSE_BUTTON_LEFT;
    played.mouse = Vector2{12.5f, 7.0f};
    ApplyInputFrame(&played);
    EXPECT_TRUE(IsKeyDown(KEY_W) && IsKeyPressed(KEY_KP_ADD) && IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    EXPECT_FALSE(IsKeyDown(KEY_D) || IsKeyPressed(KEY_W) || IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    EXPECT_EQ(GetMousePosition().x, 12.5f);
    EXPECT_EQ(GetMousePosition().y, 7.0f);

    EXPECT_FALSE(WindowShouldClose());
    PushKey(KEY_ESCAPE, true);
    Poll();
    EXPECT_TRUE(WindowShouldClose());
}

// Sets a field for one digest and gives back how to undo it.
template <typename T>
std::function<void()> Change(T* field, T value)
{
    T old = *field;
    *field = value;
    return [field, old] { *field = old; };
}

TEST_F(DemoTest, TheDigestCoversEveryPartOfTheSimulationAndNothingElse)
{
    // Two games set up alike digest alike: no addresses or stray bytes are hashed.
    GameInstance other;
    SetupWorld(&other);
    FrameLoop otherLoop;
    const uint64_t base = StateDigest(&game, &loop);
    EXPECT_EQ(StateDigest(&other, &otherLoop), base);
    FreeWorld(&other);

    Entity* p = game.player;
    Chunk* deep = game.world[RESIDENT_CHUNKS - 1];
    const std::pair<const char*, std::function<std::function<void()>()>> changes[] = {
        {"pos.x", [&] { return Change(&p->pos.x, 100.5f); }},
        {"pos.y", [&] { return Change(&p->pos.y, -1607.0f); }},
        {"vel.x", [&] { return Change(&p->vel.x, 0.25f); }},
        {"vel.y", [&] { return Change(&p->vel.y, -0.0f); }},  // even the sign of a zero
        {"acc.x", [&] { return Change(&p->acc.x, 0.1f); }},
        {"acc.y", [&] { return Change(&p->acc.y, -0.1f); }},
        {"size.x", [&] { return Change(&p->size.x, 0.9f); }},
        {"size.y", [&] { return Change(&p->size.y, 1.9f); }},
        {"istouchingground", [&] { return Change(&p->istouchingground, true); }},
        {"chunkdepth", [&] { return Change(&p->chunkdepth, 101); }},
        {"WORLDSCALE", [&] { return Change(&WORLDSCALE, 15); }},
        {"playerchunk", [&] { return Change(&game.playerchunk, 7); }},
        {"CameraPosition.x", [&] { return Change(&game.CameraPosition.x, 101.0f); }},
        {"CameraPosition.y", [&] { return Change(&game.CameraPosition.y, -1.0f); }},
        {"CameraCenterOffset.x", [&] { return Change(&game.CameraCenterOffset.x, 1.0f); }},
        {"CameraCenterOffset.y", [&] { return Change(&game.CameraCenterOffset.y, 1.0f); }},
        {"WindowWidth", [&] { return Change(&game.WindowWidth, 641); }},
        {"WindowHeight", [&] { return Change(&game.WindowHeight, 481); }},
        {"HighestChunk", [&] { return Change(&game.HighestChunk, 85); }},
        {"LowestChunk", [&] { return Change(&game.LowestChunk, 116); }},
        {"depth", [&] { return Change(&deep->depth, 116); }},
        {"replacementdepth", [&] { return Change(&deep->replacementdepth, 116); }},
        {"id", [&] { return Change(&game.world[0]->id, 1); }},
        {"last tile's v", [&] { return Change(&deep->wd[255][15].v, uint8_t(deep->wd[255][15].v ^ 1)); }},
        {"a lightness", [&] { return Change(&game.world[5]->wd[0][0].lightness, uint8_t{1}); }},
        {"slot order",
         [&] {
             std::swap(game.world[40], game.world[41]);
             return std::function<void()>([&] { std::swap(game.world[40], game.world[41]); });
         }},
        {"queue",
         [&] {
             game.UnloadedChunks.push_back(game.world[3]);
             return std::function<void()>([&] { game.UnloadedChunks.clear(); });
         }},
        {"iterationfloat", [&] { return Change(&loop.iterationfloat, 0.1f); }},
        {"FREEZE", [&] { return Change(&loop.FREEZE, true); }},
    };
    for (const auto& [name, change] : changes) {
        std::function<void()> undo = change();
        EXPECT_NE(StateDigest(&game, &loop), base) << name;
        undo();
        EXPECT_EQ(StateDigest(&game, &loop), base) << name;
    }
    // The queue's order counts, not only what it holds.
    game.UnloadedChunks = {game.world[1], game.world[2]};
    const uint64_t inOrder = StateDigest(&game, &loop);
    game.UnloadedChunks = {game.world[2], game.world[1]};
    EXPECT_NE(StateDigest(&game, &loop), inOrder);
    game.UnloadedChunks.clear();
}

// A file that cannot be read (here a folder, which opens but gives no bytes)
// is a bad demo that says why, not one that merely ends early.
TEST(DemoFileTest, AReadThatFailsIsABadDemoWithItsReason)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows' C library does not open a folder at all: no read there can fail this way";
#endif
    DemoReader reader;
    reader.file = std::fopen(testing::TempDir().c_str(), "rb");
    ASSERT_NE(reader.file, nullptr);
    InputFrame frame{};
    std::string reason;
    EXPECT_EQ(ReadFrame(&reader, &frame, nullptr, nullptr, &reason), DemoStep::Bad);
    EXPECT_EQ(reason, std::strerror(EISDIR));
    std::fclose(reader.file);
}

}  // namespace
