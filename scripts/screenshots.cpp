// Takes the README's pictures with the game's own screenshot call, headless:
// the lit tunnels at start, a dug shaft while falling, and a zoomed-out view.
// Usage: delve_screenshots <output folder>   (run from the repository root)
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "entities/entity.h"
#include "shell/game.h"

namespace {

// Empties a shaft five tiles wide around the player's column, from a few rows
// above its head to `below` rows under its feet, as a digging player would.
void DigShaft(GameInstance* game, int below)
{
    int feet = static_cast<int>(std::ceil(game->player->pos.y));
    for (int k = feet - below; k <= feet + 3; k++)
        for (int x = 98; x <= 102; x++)
            if (Tile* t = TileWithTopEdge(game, x, k)) t->v = 0;
}

void PushKey(SDL_Scancode key, bool down)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = key;
    SDL_PushEvent(&e);
}

bool Shoot(const std::string& dir, const char* name)
{
    std::string path = dir + "/" + name;
    bool ok = TakeScreenshot(path.c_str());
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    GameInstance game;
    FrameLoop loop;
    if (!StartGame(&game, &loop)) return 1;
    SetTargetFPS(0);
    bool ok = true;

    for (int i = 0; i < 60; i++) RunFrame(&game, &loop);
    ok &= Shoot(dir, "screenshot.png");

    PushKey(SDL_SCANCODE_S, true);
    for (int i = 0; i < 90; i++) {
        DigShaft(&game, 40);
        RunFrame(&game, &loop);
    }
    ok &= Shoot(dir, "falling.png");
    PushKey(SDL_SCANCODE_S, false);

    for (int i = 0; i < 20; i++) {  // ten presses: zoom 6
        PushKey(SDL_SCANCODE_KP_MINUS, i % 2 == 0);
        RunFrame(&game, &loop);
    }
    for (int i = 0; i < 60; i++) RunFrame(&game, &loop);
    ok &= Shoot(dir, "zoomed-out.png");

    ShutdownGame(&game);
    return ok ? 0 : 1;
}
