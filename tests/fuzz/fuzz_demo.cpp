// A demo file: the whole check that --play runs before any window, then what
// it accepted played into a fresh game for a bounded number of frames, past
// the first stored digest, drawn headless.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_files.h"
#include "shell/demo.h"
#include "shell/game.h"
#include "shell/options.h"
#include "world/world.h"

namespace {

// Just past the first digest, which the 31st frame's read compares with the
// game after 30, and no more: each input gets a new world.
constexpr int MAX_FRAMES = 31;
constexpr int START_ZOOM = 16;

Texture2D gTiles{};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    EnterScratchFolder();
    SetTargetFPS(0);
    if (!InitWindow(WINDOW_WIDTH, WINDOW_HEIGHT, "delve")) std::abort();
    gTiles = LoadTexture(TileImagePath().c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Options options;
    options.play = WriteScratchFile("input.dem", data, size);
    Demo demo;
    std::string error;
    if (!OpenDemo(&demo, options, &error)) {
        if (error.empty() || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    GameInstance game;
    SetupWorld(&game);
    game.textures[0] = gTiles;
    FrameLoop loop{};
    BeginDemo(&demo);
    for (int frame = 0; frame < MAX_FRAMES; frame++) {
        if (!DemoBeforeFrame(&demo, &game, &loop)) break;
        RunFrame(&game, &loop);
        DemoAfterFrame(&demo, &game, &loop);
    }
    FinishDemo(&demo, &game, &loop);
    FreeWorld(&game);
    WORLDSCALE = START_ZOOM;
    return 0;
}
