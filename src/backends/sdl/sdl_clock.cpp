// The SDL2 backend's frame clock: frames paced on the monotonic clock, and
// the paused game's slow polls.
#include <cerrno>
#include <cstdint>
#include <ctime>

#include "backends/sdl/sdl_backend.h"
#include "platform/backend.h"

namespace {

// Now on the monotonic clock, in nanoseconds: the clock the frame wait sleeps on.
int64_t MonotonicNanos()
{
#ifdef _WIN32
    return SdlWindowsNanos();
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
#endif
}

}  // namespace

void BackendResetFrameClock(int) { gSdl.frameEndNs = MonotonicNanos(); }

// The sleep is to an absolute time, so a late wake-up (tens of microseconds)
// never adds up over frames, and nothing spins. A late frame moves the
// schedule instead of shortening the frames after it.
void BackendWaitFrame(int fps)
{
    if (fps <= 0) return;
    const int64_t deadline = gSdl.frameEndNs + 1000000000 / fps;
    if (MonotonicNanos() >= deadline) {
        gSdl.frameEndNs = MonotonicNanos();
        return;
    }
#ifdef _WIN32
    SdlWindowsSleepUntil(deadline);
#else
    const timespec until{static_cast<time_t>(deadline / 1000000000), static_cast<long>(deadline % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {}
#endif
    gSdl.frameEndNs = deadline;
}

// ---- Pause -------------------------------------------------------------------

void BackendIdle(int milliseconds)
{
    // A signal cuts the sleep short; the poll then sees what it asked for.
#ifdef _WIN32
    SdlWindowsSleepUntil(MonotonicNanos() + int64_t{milliseconds} * 1000000);
#else
    const timespec pause{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000};
    nanosleep(&pause, nullptr);
#endif
}

bool BackendNeedsRepaint(void) { return gSdl.window && gSdl.barsDirty; }
