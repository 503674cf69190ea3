// delve: dig down through endless tunnels by the light you carry.
#include <csignal>
#include <cstdio>
#include <string>

#include "shell/demo.h"
#include "shell/game.h"
#include "shell/options.h"
#include "shell/session.h"
#include "shell/window_settings.h"

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
    // A demo to record or play is opened (and checked) before any window.
    Session session;
    if (!OpenDemo(&session.demo, options, &error)) {
        std::fprintf(stderr, "delve: %s\n", error.c_str());
        return 2;
    }
    // Debug lines into a pipe whose reader has gone (`delve | head`) must not
    // end the game: the write fails quietly and the game plays on, and a
    // recording still ends whole.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // The window opens as the player left it, unless the command line says otherwise.
    ApplyWindowSettings(options);

    if (!StartGame(&session.game, &session.loop)) {
        AbandonDemo(&session.demo);
        return 1;
    }
    BeginDemo(&session.demo);
    // The frames, until the window closes or the demo is over.
    while (StepFrame(&session)) {}
    const int status = FinishDemo(&session.demo, &session.game, &session.loop);
    SaveWindowSettings(options);
    ShutdownGame(&session.game);
    return status;
}
