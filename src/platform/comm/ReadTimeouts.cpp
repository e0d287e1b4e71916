#include "ReadTimeouts.h"

#include <algorithm>

namespace platform {

namespace {

std::optional<uint64_t> TotalMs(DWORD multiplier, DWORD constant, DWORD count) {
    if (multiplier == 0 && constant == 0) {
        return std::nullopt;
    }
    return uint64_t{multiplier} * count + constant;
}

uint64_t Remaining(uint64_t deadline, uint64_t now) {
    return deadline > now ? deadline - now : 0;
}

}  // namespace

ReadDeadline::ReadDeadline(const COMMTIMEOUTS& timeouts, DWORD count, uint64_t startMs)
    : timeouts_(timeouts), count_(count), startMs_(startMs) {}

std::optional<uint64_t> ReadDeadline::WaitMs(uint64_t nowMs, DWORD received,
                                             uint64_t lastByteMs) const {
    const DWORD interval = timeouts_.ReadIntervalTimeout;
    const DWORD multiplier = timeouts_.ReadTotalTimeoutMultiplier;
    const DWORD constant = timeouts_.ReadTotalTimeoutConstant;
    if (received >= count_) {
        return 0;
    }
    if (interval == MAXDWORD && multiplier == 0 && constant == 0) {
        return 0;
    }
    if (interval == MAXDWORD && multiplier == MAXDWORD && constant != 0 && constant != MAXDWORD) {
        return received > 0 ? 0 : Remaining(startMs_ + constant, nowMs);
    }
    std::optional<uint64_t> wait;
    if (std::optional<uint64_t> total = TotalMs(multiplier, constant, count_)) {
        wait = Remaining(startMs_ + *total, nowMs);
    }
    if (interval != 0 && received > 0) {
        const uint64_t gap = Remaining(lastByteMs + interval, nowMs);
        wait = wait ? std::min(*wait, gap) : gap;
    }
    return wait;
}

std::optional<uint64_t> WriteTimeLimitMs(const COMMTIMEOUTS& timeouts, DWORD count) {
    return TotalMs(timeouts.WriteTotalTimeoutMultiplier, timeouts.WriteTotalTimeoutConstant, count);
}

}  // namespace platform
