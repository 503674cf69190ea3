#include "world/streaming.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "entities/entity.h"
#include "shell/state.h"
#include "world/terrain.h"
#include "world/world.h"

namespace {

constexpr int SHIFT_CHUNKS = 8;  // records moved by one shift
constexpr int MARGIN = 8;        // a shift comes when fewer assigned chunks than this lie beyond the player

// Reassigns a record to a new depth and queues it for generation. A record
// recycled again before its turn keeps its one place in the queue and is
// generated once, for its newest depth.
void Reassign(GameInstance* g, Chunk* c, int32_t depth)
{
    c->replacementdepth = depth;
    auto& queue = g->UnloadedChunks;
    if (std::find(queue.begin(), queue.end(), c) == queue.end()) queue.push_back(c);
}

// Whether a recycled record was part of the assigned range. Asked of its
// assignment rather than of its tiles: a record still waiting for its first
// generation was in the range too, and the range must stay consecutive.
bool WasAssigned(const Chunk* c) { return c->replacementdepth != NEVER_ASSIGNED; }

}  // namespace

int ChunkPointerComp(const void* a, const void* b)
{
    const Chunk* ca = *static_cast<Chunk* const*>(a);
    const Chunk* cb = *static_cast<Chunk* const*>(b);
    // The sign of the difference, taken without overflow at extreme depths.
    return (ca->replacementdepth > cb->replacementdepth) - (ca->replacementdepth < cb->replacementdepth);
}

void SortWindow(GameInstance* g)
{
    std::qsort(g->world, RESIDENT_CHUNKS, sizeof(Chunk*), ChunkPointerComp);
    for (int i = 0; i < RESIDENT_CHUNKS; i++) g->world[i]->id = i;
}

void PlayerChangesChunkEvent(GameInstance* g)
{
    int64_t playerchunkdepth = g->player->chunkdepth;
    bool down = playerchunkdepth + MARGIN > g->LowestChunk;
    bool up = playerchunkdepth - MARGIN < g->HighestChunk;
    if (!down && !up) return;

    if (down) {
        for (int i = 0; i < SHIFT_CHUNKS; i++) {
            Chunk* c = g->world[i];
            bool leavesRange = WasAssigned(c);
            Reassign(g, c, g->LowestChunk + 1);
            if (leavesRange) g->HighestChunk++;
            g->LowestChunk++;
        }
    } else {
        for (int i = RESIDENT_CHUNKS - 1; i >= RESIDENT_CHUNKS - SHIFT_CHUNKS; i--) {
            Chunk* c = g->world[i];
            bool leavesRange = WasAssigned(c);
            Reassign(g, c, g->HighestChunk - 1);
            if (leavesRange) g->LowestChunk--;
            g->HighestChunk--;
            std::cout << c->replacementdepth << " " << c->depth << "\n";
        }
    }
    SortWindow(g);
}

void GenerateQueuedChunk(GameInstance* g)
{
    if (g->UnloadedChunks.empty()) return;
    Chunk* t = g->UnloadedChunks.front();
    g->UnloadedChunks.pop_front();
    generatechunk(t);
}
