// Takes the README's pictures with the game's own screenshot call, headless:
// the lit tunnels at start, a dug shaft while falling, and a zoomed-out view.
// Usage: delve_screenshots <output folder>   (run from the repository root)
#include <cstdio>
#include <string>

#include "harness/headless.h"
#include "harness/input_events.h"

namespace {

using input_events::PushKey;

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
    HeadlessRun run;
    if (!StartHeadless(&run)) return 1;
    GameInstance* game = &run.game;
    bool ok = true;

    RunFrames(&run, 60);
    ok &= Shoot(dir, "screenshot.png");

    // A shaft five tiles wide around the player's column, from a few rows
    // above its head to 40 rows under its feet, dug afresh every frame.
    PushKey(KEY_S, true);
    for (int i = 0; i < 90; i++) {
        CarveAroundPlayer(game, -2, 2, 40, 3);
        RunFrames(&run, 1);
    }
    ok &= Shoot(dir, "falling.png");
    PushKey(KEY_S, false);

    for (int i = 0; i < 20; i++) {  // ten presses: zoom 6
        PushKey(KEY_KP_SUBTRACT, i % 2 == 0);
        RunFrames(&run, 1);
    }
    RunFrames(&run, 60);
    ok &= Shoot(dir, "zoomed-out.png");

    StopHeadless(&run);
    return ok ? 0 : 1;
}
