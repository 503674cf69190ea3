// Terrain generation speed: the tile-by-tile reference against the fast
// generator, one chunk at a time, and the 32 chunks start-up generates before
// the window opens. One chunk must fit comfortably in a 33 ms frame; start-up
// should take well under 10 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "world/terrain.h"
#include "world/world.h"

namespace {

constexpr int32_t FIRST_STARTUP_DEPTH = 84;
constexpr int32_t LAST_STARTUP_DEPTH = 115;
constexpr int STARTUP_CHUNKS = LAST_STARTUP_DEPTH - FIRST_STARTUP_DEPTH + 1;

// Wall time per iteration of each case's final run, for the summary that main
// prints after the table. Only this program keeps it.
struct Timings {
    double referencens = 0.0;
    double fastns = 0.0;
    double startupns = 0.0;
};
Timings timings;

double NanosecondsPerIteration(std::chrono::steady_clock::time_point start, const benchmark::State& state)
{
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    return state.iterations() > 0 ? elapsed.count() / static_cast<double>(state.iterations()) : 0.0;
}

// Generates one chunk per iteration, cycling through the start-up depths.
double TimeOneChunkAtATime(benchmark::State& state, void (*generate)(Chunk*))
{
    auto chunk = std::make_unique<Chunk>();
    int32_t depth = FIRST_STARTUP_DEPTH;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        chunk->replacementdepth = depth;
        generate(chunk.get());
        benchmark::DoNotOptimize(chunk->wd);
        benchmark::ClobberMemory();
        depth = depth == LAST_STARTUP_DEPTH ? FIRST_STARTUP_DEPTH : depth + 1;
    }
    const double ns = NanosecondsPerIteration(start, state);
    state.SetItemsProcessed(state.iterations());
    return ns;
}

void BM_GenerateChunkReference(benchmark::State& state)
{
    timings.referencens = TimeOneChunkAtATime(state, generatechunk_reference);
}
BENCHMARK(BM_GenerateChunkReference)->Unit(benchmark::kMicrosecond);

void BM_GenerateChunk(benchmark::State& state) { timings.fastns = TimeOneChunkAtATime(state, generatechunk); }
BENCHMARK(BM_GenerateChunk)->Unit(benchmark::kMicrosecond);

// Start-up: 32 records assigned the depths 84 to 115, generated in a row.
void BM_StartupChunks(benchmark::State& state)
{
    auto records = std::make_unique<Chunk[]>(STARTUP_CHUNKS);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int i = 0; i < STARTUP_CHUNKS; i++) {
            records[i].replacementdepth = FIRST_STARTUP_DEPTH + i;
            generatechunk(&records[i]);
        }
        benchmark::DoNotOptimize(records.get());
        benchmark::ClobberMemory();
    }
    timings.startupns = NanosecondsPerIteration(start, state);
    state.SetItemsProcessed(state.iterations() * STARTUP_CHUNKS);
}
BENCHMARK(BM_StartupChunks)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (timings.referencens > 0.0 && timings.fastns > 0.0) {
        std::printf("reference: %.1f us per chunk, fast: %.1f us per chunk\n", timings.referencens / 1e3,
                    timings.fastns / 1e3);
        std::printf("fast generator is %.1fx faster than the reference (target: 10x)\n",
                    timings.referencens / timings.fastns);
    }
    if (timings.startupns > 0.0) {
        std::printf("%d start-up chunks: %.2f ms (target: under 10 ms)\n", STARTUP_CHUNKS, timings.startupns / 1e6);
    }
    return 0;
}
