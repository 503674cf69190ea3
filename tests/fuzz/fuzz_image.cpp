// The tile image: the input as resources/tiles.png in the working folder, where
// the game looks first, loaded by the game's own texture loading into a
// running game, then one whole frame of the game drawn with it.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_files.h"
#include "shell/game.h"

namespace {

GameInstance gGame;
FrameLoop gLoop;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    EnterScratchFolder();
    if (!StartGame(&gGame, &gLoop)) std::abort();
    SetTargetFPS(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteScratchFile("resources/tiles.png", data, size);
    UnloadTexture(gGame.textures[0]);
    gGame.textures[0] = LoadTexture(TileImagePath().c_str());
    const Texture2D& t = gGame.textures[0];
    // An image, or the plain stand-in: never nothing, never past the limit.
    if (t.id == 0 || t.width < 1 || t.height < 1 || t.width > 4096 || t.height > 4096) std::abort();
    RunFrame(&gGame, &gLoop);
    return 0;
}
