// The font: the input as resources/DejaVuSans.ttf in the working folder, where
// the game looks first, checked when the first caption is drawn, then every
// caption of the game drawn with whatever the check accepted: the title line
// and the panel of controls.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_files.h"
#include "shell/comforts.h"
#include "shell/state.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    EnterScratchFolder();
    SetTargetFPS(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteScratchFile("resources/DejaVuSans.ttf", data, size);
    // A new window looks the font up afresh.
    if (!InitWindow(WINDOW_WIDTH, WINDOW_HEIGHT, "delve")) std::abort();
    BeginDrawing();
    ClearBackground(Color{0, 0, 0, 255});
    DrawText("dig deeper!", 50, 50, 30, Color{255, 255, 255, 255});
    Comforts comforts;
    comforts.overlay = true;
    DrawComforts(&comforts);
    EndDrawing();
    CloseWindow();
    return 0;
}
