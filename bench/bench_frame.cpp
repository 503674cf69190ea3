// Frame cost: the light pass alone, the tiles (light pass and tile drawing),
// and whole frames (tick, light, drawing, present) under the dummy video
// driver on the software renderer, with the player standing in the start-up
// world and the camera settled on it. At zoom 1 a frame visits every column
// down to the deepest resident chunk, about 123,000 tiles of one pixel each.
#include <benchmark/benchmark.h>

#include "harness/headless.h"
#include "platform/platform.h"
#include "presentation/light.h"
#include "presentation/render.h"
#include "support/render_probe.h"

namespace {

// A game as the player meets it at `zoom`, unpaced, after the camera's glide
// and the light have settled.
bool StartSettled(HeadlessRun* run, int zoom)
{
    if (!StartHeadless(run, zoom)) {
        StopHeadless(run);  // the zoom back to its start value
        return false;
    }
    RunFrames(run, 60);
    return true;
}

void BM_LightPass(benchmark::State& state)
{
    HeadlessRun b;
    if (!StartSettled(&b, static_cast<int>(state.range(0)))) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) {
        lightChunks(&b.game);
        benchmark::ClobberMemory();
    }
    StopHeadless(&b);
}
BENCHMARK(BM_LightPass)->Arg(16)->Arg(1)->ArgName("zoom")->Unit(benchmark::kMillisecond);

// The tiles of a frame: the light pass, then every visible tile drawn into
// the frame (zoomed out, the small-tile path), without the tick or the present.
void BM_Tiles(benchmark::State& state)
{
    HeadlessRun b;
    if (!StartSettled(&b, static_cast<int>(state.range(0)))) {
        state.SkipWithError("no window");
        return;
    }
    uint64_t shapes = GetDrawnShapeCount();
    for (auto _ : state) {
        drawChunks(&b.game);
        benchmark::ClobberMemory();
    }
    state.counters["tiles/frame"] =
        static_cast<double>(GetDrawnShapeCount() - shapes) / static_cast<double>(state.iterations());
    StopHeadless(&b);
}
BENCHMARK(BM_Tiles)->Arg(16)->Arg(8)->Arg(4)->Arg(2)->Arg(1)->ArgName("zoom")->Unit(benchmark::kMillisecond);

void BM_WholeFrame(benchmark::State& state)
{
    HeadlessRun b;
    if (!StartSettled(&b, static_cast<int>(state.range(0)))) {
        state.SkipWithError("no window");
        return;
    }
    uint64_t shapes = GetDrawnShapeCount();
    for (auto _ : state) RunFrame(&b.game, &b.loop);
    state.counters["shapes/frame"] =
        static_cast<double>(GetDrawnShapeCount() - shapes) / static_cast<double>(state.iterations());
    StopHeadless(&b);
}
BENCHMARK(BM_WholeFrame)
    ->Arg(16)
    ->Arg(8)
    ->Arg(4)
    ->Arg(2)
    ->Arg(1)
    ->ArgName("zoom")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
