// The test page's probes (tests/web/probes.js calls them): built only into the
// browser build's test program, beside the game's own entry.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>

#include "entities/entity.h"
#include "main_web.h"
#include "render/frame.h"
#include "world/world.h"

// The player, the zoom and the camera, as doubles: player x, y, velocity x,
// y, WORLDSCALE, camera x, y, frames run, window height, the corner
// triangle's angle (it turns once a tick) and 1 while paused.
extern "C" EMSCRIPTEN_KEEPALIVE void delve_probe(double* out)
{
    if (!gRun || !gRun->session.game.player) return;
    const GameInstance& g = gRun->session.game;
    const double values[] = {g.player->pos.x,
                             g.player->pos.y,
                             g.player->vel.x,
                             g.player->vel.y,
                             static_cast<double>(WORLDSCALE),
                             g.CameraPosition.x,
                             g.CameraPosition.y,
                             static_cast<double>(gRun->frames),
                             static_cast<double>(g.WindowHeight),
                             static_cast<double>(gRun->session.loop.iterationfloat),
                             gRun->session.comforts.paused ? 1.0 : 0.0};
    for (size_t i = 0; i < sizeof values / sizeof values[0]; i++) out[i] = values[i];
}

// The tile of `column` whose top edge is at height `top`: 0 empty, 1 solid,
// -1 not resident.
extern "C" EMSCRIPTEN_KEEPALIVE int delve_tile(int column, int top)
{
    if (!gRun || column < 0 || column >= WORLD_COLUMNS) return -1;
    const Tile* t = TileWithTopEdge(&gRun->session.game, column, top);
    return t ? t->v : -1;
}

// The frame the renderer drew last, 0xAARRGGBB words row by row (640x480).
extern "C" EMSCRIPTEN_KEEPALIVE const uint32_t* delve_frame(void) { return render::FramePixels(); }
