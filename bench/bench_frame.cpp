// Frame cost: the light pass alone, and whole frames (tick, light, drawing,
// present) under the dummy video driver on the software renderer, with the
// player standing in the start-up world and the camera settled on it. At zoom 1
// a frame visits every column down to the deepest resident chunk.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/platform.h"
#include "presentation/light.h"
#include "shell/game.h"

namespace {

// A game as the player meets it, camera at rest, unpaced.
struct BenchGame {
    GameInstance game;
    FrameLoop loop;
    bool ok;
    explicit BenchGame(int zoom)
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        WORLDSCALE = zoom;
        ok = StartGame(&game, &loop);
        if (!ok) return;
        SetTargetFPS(0);
        for (int i = 0; i < 60; i++) RunFrame(&game, &loop);  // the glide, and light that settles
    }
    ~BenchGame()
    {
        if (ok) ShutdownGame(&game);
        WORLDSCALE = 16;
    }
};

void BM_LightPass(benchmark::State& state)
{
    BenchGame b(static_cast<int>(state.range(0)));
    if (!b.ok) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) {
        lightChunks(&b.game);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LightPass)->Arg(16)->Arg(1)->ArgName("zoom")->Unit(benchmark::kMillisecond);

void BM_WholeFrame(benchmark::State& state)
{
    BenchGame b(static_cast<int>(state.range(0)));
    if (!b.ok) {
        state.SkipWithError("no window");
        return;
    }
    uint64_t submissions = GetDrawSubmissionCount();
    for (auto _ : state) RunFrame(&b.game, &b.loop);
    state.counters["submissions/frame"] =
        static_cast<double>(GetDrawSubmissionCount() - submissions) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WholeFrame)->Arg(16)->Arg(1)->ArgName("zoom")->Unit(benchmark::kMillisecond)->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
