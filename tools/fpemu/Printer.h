#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Frame.h"

namespace fpemu {

// What the printer answers to one command: the data field and the six status bytes.
struct Answer {
    Bytes data;
    Bytes status;
};

// The printer behind the link: from (command, payload) to (data, status). Not thread-safe; the
// emulator serialises access.
class Printer {
public:
    Answer Execute(uint8_t cmd, const Bytes& payload);

    // A bit that stays until it is cleared (paper, clock, fiscal memory, ...).
    void SetStatusBit(int byteIndex, int bit, bool on);
    bool StatusBit(int byteIndex, int bit) const;

    // The next answer to `cmd` carries `data` instead of the command's own answer; the command is
    // not executed.
    void OverrideAnswer(uint8_t cmd, std::string data);

private:
    Bytes Status() const;

    std::array<uint8_t, 6> persistent_{};
    std::array<uint8_t, 6> lastCommand_{};
    std::map<uint8_t, std::string> overrides_;
};

}  // namespace fpemu
