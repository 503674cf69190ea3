// Frame pacing of an idle game: 90 whole frames at the game's own rate of 30
// per second should take 3 seconds, each about 33 ms after the one before,
// with no drift over the run and no frame that stutters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "harness/headless.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int FRAMES = 90;
constexpr int FPS = 30;
constexpr double EXPECTED_SECONDS = static_cast<double>(FRAMES) / FPS;
constexpr double TOLERANCE = 0.01;  // of the expected total

void BM_PacedIdleFrames(benchmark::State& state)
{
    HeadlessRun run;
    if (!StartHeadless(&run, START_ZOOM, FPS)) {
        state.SkipWithError("no window");
        return;
    }
    RunFrames(&run, 1);  // the first frame opens the caption's font

    double total = 0.0, longest = 0.0, shortest = 1e9;
    for (auto _ : state) {
        Clock::time_point start = Clock::now(), previous = start;
        for (int i = 0; i < FRAMES; i++) {
            RunFrames(&run, 1);
            Clock::time_point now = Clock::now();
            double interval = std::chrono::duration<double>(now - previous).count();
            longest = std::max(longest, interval);
            shortest = std::min(shortest, interval);
            previous = now;
        }
        total = std::chrono::duration<double>(previous - start).count();
        state.SetIterationTime(total);
    }
    StopHeadless(&run);

    state.counters["total_s"] = total;
    state.counters["longest_ms"] = longest * 1000.0;
    state.counters["shortest_ms"] = shortest * 1000.0;
    if (std::fabs(total - EXPECTED_SECONDS) > TOLERANCE * EXPECTED_SECONDS)
        state.SkipWithError(("90 frames took " + std::to_string(total) + " s, not 3 s within 1 %").c_str());
}
BENCHMARK(BM_PacedIdleFrames)->UseManualTime()->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
