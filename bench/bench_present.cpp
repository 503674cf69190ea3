// What showing the 640x480 frame costs in windows of desktop sizes: one frame
// (clear, a rectangle, present) at 640x480, 1280x960 (2x) and 1920x1080 (2x
// between bars). Scaling is the difference from the first. Headless under
// `make bench`; run under an X server (SDL_VIDEODRIVER=x11) it includes
// handing the pixels to the display.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "backends/sdl/sdl_backend.h"
#include "platform/platform.h"

namespace {

void BM_PresentFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    SetTargetFPS(0);
    if (!InitWindow(640, 480, "bench present")) {
        state.SkipWithError("no window");
        return;
    }
    SetWindowSize(width, height);
    // A display server applies the new size a little later: a few frames.
    int shownW = 0, shownH = 0;
    for (int i = 0; i < 200 && shownW != width; i++) {
        BeginDrawing();
        EndDrawing();
        shownW = gSdl.presentedWidth;
        shownH = gSdl.presentedHeight;
    }
    if (shownW != width || shownH != height) {
        state.SkipWithError("the window did not take the size asked for");
        CloseWindow();
        return;
    }
    for (auto _ : state) {
        BeginDrawing();
        ClearBackground(Color{80, 80, 80, 255});
        DrawRectangle(320, 256, 12, 28, Color{130, 130, 130, 255});
        EndDrawing();
    }
    CloseWindow();
}
BENCHMARK(BM_PresentFrame)
    ->Args({640, 480})
    ->Args({1280, 960})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
