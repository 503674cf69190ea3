// Chunk streaming: keeps the 64 resident records around the player. Near
// either end of the window the 8 records at the far end are reassigned beyond
// the near end and queued; the tick generates one queued record per frame.
#pragma once

struct GameInstance;

// qsort comparison over two elements of `world`: ascending replacementdepth.
int ChunkPointerComp(const void* a, const void* b);
// Sorts the window by replacementdepth and renumbers every id to its slot.
void SortWindow(GameInstance* g);
// Called when the player's chunk changed this tick: shifts the window by 8
// records when fewer than 8 assigned chunks lie beyond the player on a side.
void PlayerChangesChunkEvent(GameInstance* g);
// Takes the front record off the generation queue, if any, and generates it.
void GenerateQueuedChunk(GameInstance* g);
