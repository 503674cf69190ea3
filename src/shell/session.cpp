#include "shell/session.h"

#include "platform/platform.h"

bool StepFrame(Session* s)
{
    if (WindowShouldClose()) return false;
    const bool wasPaused = s->comforts.paused;
    if (PausedFrame(&s->comforts)) {
        if (!wasPaused) DemoPaused(&s->demo);
        return true;
    }
    if (!DemoBeforeFrame(&s->demo, &s->game, &s->loop)) return false;
    RunFrame(&s->game, &s->loop, &s->comforts);
    DemoAfterFrame(&s->demo, &s->game, &s->loop);
    return true;
}
