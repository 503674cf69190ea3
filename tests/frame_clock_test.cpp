// The desktop's frame clock: each frame's wait ends at its deadline to the
// nanosecond, on the monotonic clock, wherever that deadline falls.
//
// This test program stands in for the C library's clock_nanosleep: while a
// test catches the waits, the one defined here keeps what it was asked and
// returns at once; otherwise it hands the call on.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <vector>

#include "backends/sdl/sdl_backend.h"
#include "platform/backend.h"

namespace {

struct Wait {
    clockid_t clock;
    int flags;
    timespec until;
};
bool gCatch = false;       // waits are kept, not slept
std::vector<Wait> gWaits;  // the waits kept

}  // namespace

extern "C" int clock_nanosleep(clockid_t clock, int flags, const timespec* request, timespec* remain) noexcept
{
    if (gCatch) {
        gWaits.push_back(Wait{clock, flags, *request});
        return 0;
    }
    using Real = int (*)(clockid_t, int, const timespec*, timespec*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "clock_nanosleep"));
    return real ? real(clock, flags, request, remain) : ENOSYS;
}

namespace {

constexpr int64_t NS = 1000000000;  // nanoseconds in a second

TEST(FrameClock, EachWaitEndsAtItsDeadlineToTheNanosecondAndTheNextCountsFromIt)
{
    const int64_t saved = gSdl.frameEndNs;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    gCatch = true;
    // Deadlines in the future (the stand-in returns at once): on a whole
    // second, just past one and just before the next, soon and in days.
    for (const int64_t second : {int64_t{now.tv_sec} + 100, int64_t{now.tv_sec} + 400000}) {
        for (const int64_t past : {int64_t{0}, int64_t{1}, NS - 1}) {
            for (const int fps : {30, 60, 7}) {
                SCOPED_TRACE(testing::Message() << "deadline " << second << " s + " << past << " ns at " << fps);
                const int64_t deadline = second * NS + past;
                gSdl.frameEndNs = deadline - NS / fps;
                gWaits.clear();
                BackendWaitFrame(fps);
                ASSERT_EQ(gWaits.size(), 1u);
                EXPECT_EQ(gWaits[0].clock, CLOCK_MONOTONIC);
                EXPECT_EQ(gWaits[0].flags, TIMER_ABSTIME) << "to a time, so late wake-ups never add up";
                EXPECT_EQ(gWaits[0].until.tv_sec, second);
                EXPECT_EQ(gWaits[0].until.tv_nsec, past);
                EXPECT_EQ(gSdl.frameEndNs, deadline) << "the next frame counts from the deadline";
            }
        }
    }
    // A frame already late waits for nothing and the schedule starts again
    // from now; a rate of 0 waits for nothing either.
    gSdl.frameEndNs = int64_t{now.tv_sec} * NS - 5 * NS;
    gWaits.clear();
    BackendWaitFrame(30);
    EXPECT_TRUE(gWaits.empty());
    EXPECT_GE(gSdl.frameEndNs, int64_t{now.tv_sec} * NS);
    const int64_t before = gSdl.frameEndNs;
    BackendWaitFrame(0);
    EXPECT_TRUE(gWaits.empty());
    EXPECT_EQ(gSdl.frameEndNs, before);
    gCatch = false;
    gSdl.frameEndNs = saved;
}

}  // namespace
