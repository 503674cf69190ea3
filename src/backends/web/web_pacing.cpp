#include "backends/web/web_pacing.h"

bool FrameDue(FramePacer* pacer, double now, double periodMs)
{
    if (!pacer->started) {
        pacer->started = true;
        pacer->next = now + periodMs;
        return true;
    }
    if (now < pacer->next - FRAME_EARLY_MS) return false;
    pacer->next += periodMs;
    if (pacer->next < now) pacer->next = now + periodMs;
    return true;
}

void ResetPacer(FramePacer* pacer) { *pacer = FramePacer{}; }
