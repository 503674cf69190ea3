#include "harness/headless.h"

#include <cmath>
#include <cstdlib>

#include "entities/entity.h"
#include "world/world.h"

bool StartHeadless(HeadlessRun* run, int zoom, int fps)
{
#ifdef _WIN32
    if (!std::getenv("SDL_VIDEODRIVER")) _putenv_s("SDL_VIDEODRIVER", "dummy");
#else
    setenv("SDL_VIDEODRIVER", "dummy", 0);
#endif
    WORLDSCALE = zoom;
    run->started = StartGame(&run->game, &run->loop);
    if (run->started) SetTargetFPS(fps);
    return run->started;
}

void RunFrames(HeadlessRun* run, int frames)
{
    for (int i = 0; i < frames; i++) RunFrame(&run->game, &run->loop);
}

void StopHeadless(HeadlessRun* run)
{
    if (run->started) ShutdownGame(&run->game);
    run->started = false;
    WORLDSCALE = START_ZOOM;
}

void SettleCameraOnPlayer(GameInstance* game)
{
    game->CameraPosition =
        Vector2Add(Vector2Scale(game->player->pos, static_cast<float>(WORLDSCALE)), game->CameraCenterOffset);
}

void CarveAroundPlayer(GameInstance* game, int left, int right, int below, int above)
{
    int px = TruncateToInt(game->player->pos.x);
    int top = TruncateToInt(std::ceil(game->player->pos.y));
    for (int k = top - below; k <= top + above; k++)
        for (int x = px + left; x <= px + right; x++)
            if (Tile* t = TileWithTopEdge(game, x, k)) t->v = 0;
}
