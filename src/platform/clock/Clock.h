#pragma once

#include <cstdint>

namespace platform {

// Monotonic milliseconds and sleeping. Every wait and elapsed time of the protocol layer goes
// through the current clock, so long retry windows can be tested on a simulated one.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint64_t NowMs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
};

// The steady system clock; unaffected when the wall clock is set.
Clock& MonotonicClock();

// Time moves only when someone sleeps or calls Advance.
class SimulatedClock : public Clock {
public:
    explicit SimulatedClock(uint64_t startMs = 1'000'000) : now_(startMs) {}
    uint64_t NowMs() override { return now_; }
    void SleepMs(uint32_t ms) override { Advance(ms); }
    virtual void Advance(uint64_t ms) { now_ += ms; }

private:
    uint64_t now_;
};

// The clock in use: the monotonic clock unless a test installed another.
Clock& CurrentClock();

// Installs a clock for the lifetime of the guard and restores the previous one after it.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

}  // namespace platform
