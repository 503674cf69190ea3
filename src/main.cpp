// delve: dig down through endless tunnels by the light you carry.
#include "shell/game.h"

int main()
{
    GameInstance game;
    FrameLoop loop;
    if (!StartGame(&game, &loop)) return 1;
    while (!WindowShouldClose()) RunFrame(&game, &loop);
    ShutdownGame(&game);
    return 0;
}
