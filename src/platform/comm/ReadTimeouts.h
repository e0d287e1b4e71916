#pragma once

// Private: the Windows COMMTIMEOUTS rules for one read or write, shared by every backend.

#include <cstdint>
#include <optional>

#include "CommTypes.h"

namespace platform {

// A read of Count bytes started at StartMs ends when all bytes are in, when the total time
// (multiplier x Count + constant) is over, or when the interval passes between two bytes after
// the first. All-ones interval with zero totals: return at once with what is queued. All-ones
// interval and multiplier with a constant below all-ones: return as soon as any byte is there,
// or after the constant with none. All zero: wait until Count bytes are in.
class ReadDeadline {
public:
    ReadDeadline(const COMMTIMEOUTS& timeouts, DWORD count, uint64_t startMs);

    // How long the read may still wait for more bytes, given the bytes received so far and the
    // time the last of them came: 0 means complete now, no value means no limit.
    std::optional<uint64_t> WaitMs(uint64_t nowMs, DWORD received, uint64_t lastByteMs) const;

private:
    COMMTIMEOUTS timeouts_;
    DWORD count_;
    uint64_t startMs_;
};

// The time a write of Count bytes may take (multiplier x Count + constant); no value when both
// are zero, which means no limit.
std::optional<uint64_t> WriteTimeLimitMs(const COMMTIMEOUTS& timeouts, DWORD count);

}  // namespace platform
