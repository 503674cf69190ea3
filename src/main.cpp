// delve: dig down through endless tunnels by the light you carry.
#include <cstdio>
#include <string>

#include "shell/game.h"
#include "shell/options.h"

int main(int argc, char** argv)
{
    // The command line is read before anything else starts: a mistake stops
    // the game before any window opens.
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "delve: %s (see delve --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("delve %s\n", DELVE_VERSION);
        return 0;
    }
    if (!options.record.empty() || !options.play.empty() || !options.timedemo.empty()) {
        std::fprintf(stderr, "delve: demos are not available in this build (see delve --help)\n");
        return 2;
    }
    SetWindowScale(options.scale);
    SetConfigFlags(options.fullscreen ? FLAG_FULLSCREEN_MODE : 0);

    GameInstance game;
    FrameLoop loop;
    if (!StartGame(&game, &loop)) return 1;
    while (!WindowShouldClose()) RunFrame(&game, &loop);
    ShutdownGame(&game);
    return 0;
}
