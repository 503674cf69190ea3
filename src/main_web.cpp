// delve in a browser: the same start-up as the desktop's main, but the frames
// are handed to the page's scheduling instead of a loop, since a page that
// never returns to the browser never shows anything. The page passes the
// command line (a demo to play or time, from its address) as arguments.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>

#include "entities/entity.h"
#include "platform/web/browser_loop.h"
#include "shell/comforts.h"
#include "shell/demo.h"
#include "shell/game.h"
#include "shell/options.h"
#include "world/world.h"

namespace {

// Everything a run keeps: main returns while the page goes on running frames.
struct WebRun {
    GameInstance game;
    FrameLoop loop;
    Demo demo;
    Comforts comforts;  // P's pause and F1's panel
    int status = -1;    // the demo's exit status once it is over; -1 while running
};

WebRun* gRun = nullptr;

// clang-format off
EM_JS(void, TellPageGameOver, (int status), { if (Module.onGameOver) Module.onGameOver(status); });
// clang-format on

bool Frame(void* arg)
{
    WebRun* run = static_cast<WebRun*>(arg);
    // A paused frame is no frame of the game: no tick, nothing recorded.
    const bool wasPaused = run->comforts.paused;
    if (!WindowShouldClose() && PausedFrame(&run->comforts)) {
        if (!wasPaused) DemoPaused(&run->demo);
        return true;
    }
    if (WindowShouldClose() || !DemoBeforeFrame(&run->demo, &run->game, &run->loop)) {
        // The last frame stays on the page; the run's state is kept for the page to look at.
        run->status = FinishDemo(&run->demo, &run->game, &run->loop);
        TellPageGameOver(run->status);
        return false;
    }
    RunFrame(&run->game, &run->loop, &run->comforts);
    DemoAfterFrame(&run->demo, &run->game, &run->loop);
    return true;
}

}  // namespace

// For the page's tests: the player, the zoom and the camera, as doubles:
// player x, y, velocity x, y, WORLDSCALE, camera x, y, frames run, window height,
// the corner triangle's angle (it turns once a tick) and 1 while paused.
extern "C" EMSCRIPTEN_KEEPALIVE void delve_probe(double* out)
{
    if (!gRun || !gRun->game.player) return;
    const GameInstance& g = gRun->game;
    const double values[] = {g.player->pos.x,
                             g.player->pos.y,
                             g.player->vel.x,
                             g.player->vel.y,
                             static_cast<double>(WORLDSCALE),
                             g.CameraPosition.x,
                             g.CameraPosition.y,
                             static_cast<double>(BrowserFramesRun()),
                             static_cast<double>(g.WindowHeight),
                             static_cast<double>(gRun->loop.iterationfloat),
                             gRun->comforts.paused ? 1.0 : 0.0};
    for (size_t i = 0; i < sizeof values / sizeof values[0]; i++) out[i] = values[i];
}

// For the page's tests: the tile of `column` whose top edge is at height `top`:
// 0 empty, 1 solid, -1 not resident.
extern "C" EMSCRIPTEN_KEEPALIVE int delve_tile(int column, int top)
{
    if (!gRun || column < 0 || column >= WORLD_COLUMNS) return -1;
    const Tile* t = TileWithTopEdge(&gRun->game, column, top);
    return t ? t->v : -1;
}

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "delve: %s\n", error.c_str());
        return 2;
    }
    gRun = new WebRun();
    if (!OpenDemo(&gRun->demo, options, &error)) {
        std::fprintf(stderr, "delve: %s\n", error.c_str());
        TellPageGameOver(2);
        return 2;
    }
    if (!StartGame(&gRun->game, &gRun->loop)) {
        AbandonDemo(&gRun->demo);
        TellPageGameOver(1);
        return 1;
    }
    BeginDemo(&gRun->demo);
    RunBrowserFrames(Frame, gRun);
    return 0;
}
