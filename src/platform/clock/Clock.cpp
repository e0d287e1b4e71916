#include "Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

namespace {

class SteadyClock : public Clock {
public:
    uint64_t NowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void SleepMs(uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

std::atomic<Clock*> g_current{nullptr};

}  // namespace

Clock& MonotonicClock() {
    static SteadyClock clock;
    return clock;
}

Clock& CurrentClock() {
    Clock* clock = g_current.load();
    return clock != nullptr ? *clock : MonotonicClock();
}

ScopedClock::ScopedClock(Clock& clock) : previous_(g_current.exchange(&clock)) {}

ScopedClock::~ScopedClock() { g_current.store(previous_); }

}  // namespace platform
