#include "Clock.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, MonotonicClockNeverGoesBackAndSleeps) {
    platform::Clock& clock = platform::MonotonicClock();
    const uint64_t before = clock.NowMs();
    clock.SleepMs(20);
    EXPECT_GE(clock.NowMs() - before, 20u);
}

TEST(Clock, ScopedClockInstallsAndRestores) {
    platform::SimulatedClock sim(5000);
    {
        platform::ScopedClock guard(sim);
        EXPECT_EQ(&platform::CurrentClock(), &sim);
        platform::CurrentClock().SleepMs(40'000);
        EXPECT_EQ(sim.NowMs(), 45'000u);
        {
            platform::SimulatedClock inner;
            platform::ScopedClock nested(inner);
            EXPECT_EQ(&platform::CurrentClock(), &inner);
        }
        EXPECT_EQ(&platform::CurrentClock(), &sim);
    }
    EXPECT_EQ(&platform::CurrentClock(), &platform::MonotonicClock());
}

}  // namespace
