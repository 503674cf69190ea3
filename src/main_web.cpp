// delve in a browser: the same start-up as the desktop's main, but the frames
// are handed to the page's scheduling instead of a loop, since a page that
// never returns to the browser never shows anything. The page passes the
// command line (a demo to play or time, from its address) as arguments.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>

#include "main_web.h"

#include "backends/web/browser_loop.h"
#include "shell/demo.h"
#include "shell/game.h"
#include "shell/options.h"

WebRun* gRun = nullptr;

namespace {

// clang-format off
EM_JS(void, TellPageGameOver, (int status), { if (Module.onGameOver) Module.onGameOver(status); });
// clang-format on

bool Frame(void* arg)
{
    WebRun* run = static_cast<WebRun*>(arg);
    run->frames++;
    if (StepFrame(&run->session)) return true;
    // The last frame stays on the page; the run's state is kept for the page to look at.
    run->status = FinishDemo(&run->session.demo, &run->session.game, &run->session.loop);
    TellPageGameOver(run->status);
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "delve: %s\n", error.c_str());
        return 2;
    }
    gRun = new WebRun();
    if (!OpenDemo(&gRun->session.demo, options, &error)) {
        std::fprintf(stderr, "delve: %s\n", error.c_str());
        TellPageGameOver(2);
        return 2;
    }
    if (!StartGame(&gRun->session.game, &gRun->session.loop)) {
        AbandonDemo(&gRun->session.demo);
        TellPageGameOver(1);
        return 1;
    }
    BeginDemo(&gRun->session.demo);
    RunBrowserFrames(Frame, gRun);
    return 0;
}
