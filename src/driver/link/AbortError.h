#pragma once

#include <stdexcept>

// The silent abort: a failure whose message is meant for the caller's error state, never for a
// dialog. Driver and helper routines raise it (or a descendant) to leave an operation early.
class EAbort : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    ~EAbort() override;
};
