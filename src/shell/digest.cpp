#include "shell/digest.h"

#include <xxhash.h>

#include <cstring>

#include "entities/entity.h"
#include "shell/game.h"
#include "world/world.h"

namespace {

// Fields gathered little-endian, never as raw structs (padding would leak in).
struct Bytes {
    unsigned char data[256];
    size_t size = 0;

    void U8(uint8_t v) { data[size++] = v; }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; i++) U8(static_cast<uint8_t>(v >> (8 * i)));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        U32(bits);
    }
    void Vec(Vector2 v)
    {
        F32(v.x);
        F32(v.y);
    }
};

void Feed(XXH3_state_t* state, const Bytes& bytes) { XXH3_64bits_update(state, bytes.data, bytes.size); }

// The queue in order: which records wait, for which depths.
void FeedQueue(XXH3_state_t* state, const GameInstance* game)
{
    Bytes queued;
    queued.U32(static_cast<uint32_t>(game->UnloadedChunks.size()));
    Feed(state, queued);
    for (const Chunk* c : game->UnloadedChunks) {
        queued.size = 0;
        queued.I32(c->id);
        queued.I32(c->replacementdepth);
        Feed(state, queued);
    }
}

// Every slot: its record's addressing, then its tiles column by column.
void FeedSlots(XXH3_state_t* state, const GameInstance* game)
{
    unsigned char tiles[WORLD_COLUMNS * CHUNK_ROWS * 2];
    for (const Chunk* c : game->world) {
        Bytes slot;
        slot.U8(c ? 1 : 0);
        if (c) {
            slot.I32(c->depth);
            slot.I32(c->replacementdepth);
            slot.I32(c->id);
        }
        Feed(state, slot);
        if (!c) continue;
        size_t n = 0;
        for (int x = 0; x < WORLD_COLUMNS; x++) {
            for (int y = 0; y < CHUNK_ROWS; y++) {
                tiles[n++] = c->wd[x][y].v;
                tiles[n++] = c->wd[x][y].lightness;
            }
        }
        XXH3_64bits_update(state, tiles, n);
    }
}

}  // namespace

uint64_t StateDigest(const GameInstance* game, const FrameLoop* loop)
{
    XXH3_state_t* state = XXH3_createState();
    if (!state) return 0;
    XXH3_64bits_reset(state);

    Bytes head;
    const Entity* p = game->player;
    head.Vec(p->pos);
    head.Vec(p->vel);
    head.Vec(p->acc);
    head.Vec(p->size);
    head.U8(p->istouchingground ? 1 : 0);
    head.I32(p->chunkdepth);
    head.I32(WORLDSCALE);
    head.I32(game->playerchunk);
    head.Vec(game->CameraPosition);
    head.Vec(game->CameraCenterOffset);
    head.I32(game->WindowWidth);
    head.I32(game->WindowHeight);
    head.I32(game->HighestChunk);
    head.I32(game->LowestChunk);
    head.U32(static_cast<uint32_t>(game->Entities.size()));
    head.F32(loop->iterationfloat);
    head.U8(loop->FREEZE ? 1 : 0);
    Feed(state, head);

    FeedQueue(state, game);
    FeedSlots(state, game);

    const uint64_t digest = XXH3_64bits_digest(state);
    XXH3_freeState(state);
    return digest;
}
