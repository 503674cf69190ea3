// The font: the input as resources/DejaVuSans.ttf in the working folder, where
// the game looks first, checked when the first caption is drawn, then drawn
// with whatever the check accepted: the game's caption, and a line of every
// character the game's texts are made of (printable ASCII), at the sizes the
// game uses. The whole panel of controls would cost six times as much a run
// for the same glyphs.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_files.h"
#include "platform/platform.h"
#include "shell/state.h"

namespace {

std::string EveryCharacter()
{
    std::string line;
    for (char c = ' '; c <= '~'; ++c) line += c;
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    EnterScratchFolder();
    SetTargetFPS(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string every = EveryCharacter();
    WriteScratchFile("resources/DejaVuSans.ttf", data, size);
    // A new window looks the font up afresh.
    if (!InitWindow(WINDOW_WIDTH, WINDOW_HEIGHT, "delve")) std::abort();
    BeginDrawing();
    ClearBackground(Color{0, 0, 0, 255});
    DrawText("dig deeper!", 50, 50, 30, Color{255, 255, 255, 255});
    DrawText(every.c_str(), 4, 200, 14, Color{255, 255, 255, 255});
    EndDrawing();
    CloseWindow();
    return 0;
}
