#include "harness/invariants.h"

#include <algorithm>
#include <sstream>

std::string WindowFault(const GameInstance* g, size_t maxQueued)
{
    std::ostringstream why;
    int assigned = 0;
    for (int i = 0; i < RESIDENT_CHUNKS; i++) {
        const Chunk* c = g->world[i];
        if (c->id != i) why << "slot " << i << " has id " << c->id << "; ";
        if (i > 0 && g->world[i - 1]->replacementdepth > c->replacementdepth)
            why << "slots " << i - 1 << " and " << i << " out of order; ";
        int copies = static_cast<int>(std::count(g->UnloadedChunks.begin(), g->UnloadedChunks.end(), c));
        if (copies > 1) why << "slot " << i << " queued " << copies << " times; ";
        if (c->replacementdepth == NEVER_ASSIGNED) continue;
        assigned++;
        int32_t expected = g->LowestChunk - (RESIDENT_CHUNKS - 1 - i);
        if (c->replacementdepth != expected)
            why << "slot " << i << " stands for " << c->replacementdepth << ", not " << expected << "; ";
        if (c->depth != c->replacementdepth && copies == 0)
            why << "slot " << i << " holds " << c->depth << " for " << c->replacementdepth << " unqueued; ";
    }
    if (g->world[RESIDENT_CHUNKS - 1]->replacementdepth != g->LowestChunk)
        why << "slot 63 is not LowestChunk " << g->LowestChunk << "; ";
    if (g->HighestChunk != g->LowestChunk - assigned + 1)
        why << "HighestChunk " << g->HighestChunk << " with " << assigned << " assigned; ";
    if (g->UnloadedChunks.size() > maxQueued) why << "queue holds " << g->UnloadedChunks.size() << "; ";
    return why.str();
}
